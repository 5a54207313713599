// quillet through its library: one process converts every file given, with
// the office kept warm between them, and prints each conversion's time.
//
//   peers_library_bench FORMAT OPTION OUTDIR EXT FILE...
//
// The first file is converted once more before the timed run (the office's
// first conversion after its start costs more). Output: one line per file,
// "ms <milliseconds>"; a failure ends the program with status 1.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "quillet/quillet.h"

namespace {

bool Convert(const std::string& src, const std::string& dest, const char* format, const char* option) {
  static std::vector<char> error(1 << 16);
  if (ConvertSingleFile(src.c_str(), dest.c_str(), format, option, error.data())) return true;
  std::fprintf(stderr, "%s: %s\n", src.c_str(), error.data());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: %s FORMAT OPTION OUTDIR EXT FILE...\n", argv[0]);
    return 2;
  }
  const char* format = argv[1];
  const char* option = argv[2];
  const std::filesystem::path out = argv[3];
  const std::string ext = argv[4];
  auto dest = [&](const char* src) {
    return (out / std::filesystem::path(src).filename().replace_extension(ext)).string();
  };
  if (!Convert(argv[5], dest(argv[5]), format, option)) return 1;  // warm-up
  for (int i = 5; i < argc; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (!Convert(argv[i], dest(argv[i]), format, option)) return 1;
    const std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - start;
    std::printf("ms %.2f\n", ms.count());
  }
  return 0;
}
