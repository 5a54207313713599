// Times PDF output per document, one process, one warm office: quillet's
// printing route (PostScript through the office's own queue) with the PDF
// maker and with Ghostscript ("USEGSDLL"), against LibreOffice's own PDF
// export through UNO (the applications' PDF save formats, Word 17, Excel 57,
// PowerPoint 32) and against one `soffice --convert-to pdf` per document.
// Each is run once to warm up, then Rounds times; the median is printed.
//   pdf_bench ROUNDS FILE...        (.docx, .xlsx or .pptx)
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Convert = int (*)(const char*, const char*, const char*, const char*, char*);

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double TimeMs(const std::function<bool()>& run, int rounds) {
  if (!run()) return -1;
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const auto t0 = Clock::now();
    if (!run()) return -1;
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  return Median(times);
}

struct App {
  const char* option;
  const char* ownFormat;
};

App AppFor(const std::string& file) {
  const std::string ext = std::filesystem::path(file).extension().string();
  if (ext == ".xlsx") return {"MS Excel", "57"};
  if (ext == ".pptx") return {"MS Powerpoint", "32"};
  return {"MS Word", "17"};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s ROUNDS FILE...\n", argv[0]);
    return 2;
  }
  const int rounds = std::max(1, std::atoi(argv[1]));
  void* lib = ::dlopen(QUILLET_LIBRARY, RTLD_NOW);
  if (!lib) {
    std::fprintf(stderr, "cannot load %s\n", QUILLET_LIBRARY);
    return 1;
  }
  const auto convert = reinterpret_cast<Convert>(::dlsym(lib, "ConvertSingleFile"));
  const std::string out = std::filesystem::temp_directory_path() / ("quillet-pdf-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(out);
  char error[65536];
  auto quillet = [&](const std::string& src, const std::string& format, const std::string& option) {
    const std::string dest = out + "/" + std::filesystem::path(src).stem().string() + ".pdf";
    error[0] = '\0';
    const bool ok = convert(src.c_str(), dest.c_str(), format.c_str(), option.c_str(), error) != 0;
    if (!ok) std::fprintf(stderr, "%s: %s\n", src.c_str(), error);
    return ok;
  };
  const std::string profile = out + "/soffice-profile";
  auto soffice = [&](const std::string& src) {
    const std::string cmd = "soffice -env:UserInstallation=file://" + profile +
                            " --headless --convert-to pdf --outdir '" + out + "/soffice' '" + src + "' >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
  };

  std::printf("%-12s %12s %12s %12s %12s %9s %9s %9s\n", "document", "print+maker", "print+gs", "own (UNO)", "soffice",
              "maker/own", "gs/own", "gs/soff");
  for (int i = 2; i < argc; ++i) {
    const std::string src = argv[i];
    const App app = AppFor(src);
    const double maker = TimeMs([&] { return quillet(src, "-1", app.option); }, rounds);
    const double gs = TimeMs([&] { return quillet(src, "-1", std::string(app.option) + " USEGSDLL"); }, rounds);
    const double own = TimeMs([&] { return quillet(src, app.ownFormat, app.option); }, rounds);
    const double call = TimeMs([&] { return soffice(src); }, rounds);
    std::printf("%-12s %10.0fms %10.0fms %10.0fms %10.0fms %9.1f %9.1f %9.2f\n",
                std::filesystem::path(src).filename().c_str(), maker, gs, own, call, maker / own, gs / own, gs / call);
  }
  std::filesystem::remove_all(out);
  return 0;
}
