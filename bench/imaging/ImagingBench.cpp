// Times the BMP-to-JPEG and BMP-to-GIF conversions on a generated 1920 x 1080
// 24-bit slide, and cjpeg -quality 75 (libjpeg-turbo's own command-line
// encoder, which also reads the BMP) on the same file in the same run, and
// prints the medians and the ratio. cjpeg's time includes starting its process,
// so the time of starting a bare process is printed too, with the ratio
// against cjpeg less that; ours includes reading the BMP and, where asked,
// scaling it.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/BitmapConvert.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// A slide: a soft gradient background, a title bar, some boxes and lines of
// text-like strokes.
void WriteSlideBmp(const std::string& file, int w, int h) {
  const int stride = (w * 3 + 3) / 4 * 4;
  std::string data(size_t(stride) * size_t(h), '\0');
  for (int row = 0; row < h; ++row) {
    const int y = h - 1 - row;  // bottom-up
    for (int x = 0; x < w; ++x) {
      uint8_t r = uint8_t(230 - y * 60 / h), g = uint8_t(235 - x * 40 / w), b = 250;
      if (y < h / 8) r = 30, g = 60, b = 140;                                               // title bar
      if (x > w / 10 && x < w / 2 && y > h / 3 && y < h * 3 / 4) r = 250, g = 200, b = 90;  // box
      const bool textLine = y > h / 4 && (y / 24) % 2 == 0 && (y % 24) < 14 && x > w / 10 && x < w * 9 / 10;
      if (textLine && ((x * 7 + y * 3) % 11 < 4 || (x / 9) % 5 == 0)) r = g = b = 20;  // strokes
      char* p = &data[size_t(row) * size_t(stride) + size_t(x) * 3];
      p[0] = char(b), p[1] = char(g), p[2] = char(r);
    }
  }
  auto put32 = [](std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += char(v >> (8 * i));
  };
  std::string head = "BM";
  put32(head, uint32_t(54 + data.size()));
  put32(head, 0);
  put32(head, 54);
  put32(head, 40);
  put32(head, uint32_t(w));
  put32(head, uint32_t(h));
  head += std::string("\x01\x00\x18\x00", 4);
  for (int i = 0; i < 6; ++i) put32(head, 0);
  std::ofstream(file, std::ios::binary) << head << data;
}

double Seconds(const std::function<void()>& f) {
  const auto t0 = Clock::now();
  f();
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

bool Run(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool RunCjpeg(const std::string& bmp, const std::string& jpg) {
  return Run({"cjpeg", "-quality", "75", "-outfile", jpg, bmp});
}

std::string Slurp(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
  char folderTemplate[] = "/tmp/quillet-imaging-bench-XXXXXX";
  if (!mkdtemp(folderTemplate)) return 1;
  const std::string dir = folderTemplate;
  const std::string bmp = dir + "/slide.bmp", jpg = dir + "/ours.jpg", gif = dir + "/ours.gif",
                    half = dir + "/half.jpg", cj = dir + "/cjpeg.jpg";
  WriteSlideBmp(bmp, 1920, 1080);

  const bool haveCjpeg = RunCjpeg(bmp, cj);  // also warms the page cache
  quillet::ConvertBitmapToJpeg(bmp, jpg, -100, -100, false, 75);
  std::vector<double> tJpeg, tCjpeg, tGif, tHalf, tTrue;
  for (int i = 0; i < rounds; ++i) {  // interleaved, so drifts hit all alike
    tJpeg.push_back(Seconds([&] { quillet::ConvertBitmapToJpeg(bmp, jpg, -100, -100, false, 75); }));
    if (haveCjpeg) tCjpeg.push_back(Seconds([&] { RunCjpeg(bmp, cj); }));
    if (haveCjpeg) tTrue.push_back(Seconds([&] { Run({"true"}); }));
    tGif.push_back(Seconds([&] { quillet::ConvertBitmapToGif(bmp, gif, -100, -100, false); }));
    tHalf.push_back(Seconds([&] { quillet::ConvertBitmapToJpeg(bmp, half, -50, -50, false, 75); }));
  }

  const auto ms = [](double s) { return s * 1000; };
  std::printf("1920 x 1080 24-bit BMP, median of %d rounds\n", rounds);
  std::printf("  ConvertBitmapToJpeg q75, same size : %8.2f ms  (%zu bytes)\n", ms(Median(tJpeg)), Slurp(jpg).size());
  std::printf("  ConvertBitmapToJpeg q75, -50/-50   : %8.2f ms\n", ms(Median(tHalf)));
  std::printf("  ConvertBitmapToGif, same size      : %8.2f ms  (%zu bytes)\n", ms(Median(tGif)), Slurp(gif).size());
  if (haveCjpeg) {
    std::printf("  cjpeg -quality 75                  : %8.2f ms  (%zu bytes, %s ours)\n", ms(Median(tCjpeg)),
                Slurp(cj).size(), Slurp(cj) == Slurp(jpg) ? "identical to" : "differs from");
    std::printf("  a bare process start (true)        : %8.2f ms\n", ms(Median(tTrue)));
    std::printf("  JPEG time / cjpeg time             : %8.2f  (goal: at most 1.5)\n", Median(tJpeg) / Median(tCjpeg));
    std::printf("  the same, cjpeg less process start : %8.2f\n", Median(tJpeg) / (Median(tCjpeg) - Median(tTrue)));
  } else {
    std::printf("  cjpeg not found (Debian package libjpeg-turbo-progs): no ratio\n");
  }
  for (const auto& f : {bmp, jpg, gif, half, cj}) std::remove(f.c_str());
  rmdir(dir.c_str());
  return 0;
}
