// Runs the fuzz entry of the BMP reader on valid files of every layout and on
// many mutations of them, so that the sanitizer builds check the reader's
// bounds on every CI run, with or without a fuzzing compiler.
#include <gtest/gtest.h>

#include <random>
#include <span>

#include "ImageTestUtil.h"
#include "imaging/BmpReader.h"
#include "platform/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace quillet::test {
namespace {

std::vector<std::string> Seeds() {
  std::vector<std::string> seeds;
  const std::vector<Rgb> palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  for (int w : {1, 3, 8, 13})
    for (int h : {1, 2, 5}) {
      Image img(w, h);
      for (int i = 0; i < w * h; ++i) img.pixels[size_t(i)] = palette[size_t(i) % 4];
      for (int bpp : {1, 4, 8, 16, 24, 32})
        for (BmpHeader header : {BmpHeader::Core12, BmpHeader::Info40, BmpHeader::V5}) {
          if (header == BmpHeader::Core12 && (bpp == 16 || bpp == 32)) continue;
          BmpLayout l;
          l.bpp = bpp;
          l.header = header;
          l.topDown = (w + h) % 2 == 0;
          if (bpp == 1) l.palette = {palette[0], palette[1]};
          if (bpp == 1) img.pixels.assign(img.pixels.size(), palette[1]);
          if (bpp == 4 || bpp == 8) l.palette = palette;
          if ((bpp == 16 || bpp == 32) && header != BmpHeader::Core12 && w % 2) {
            l.bitfields = true;
            l.red = bpp == 16 ? 0xF800 : 0xFF;
            l.green = bpp == 16 ? 0x07E0 : 0xFF00;
            l.blue = bpp == 16 ? 0x1F : 0xFF0000;
          }
          seeds.push_back(EncodeBmp(img, l));
        }
    }
  return seeds;
}

void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4 && at + size_t(i) < s.size(); ++i) s[at + size_t(i)] = char(v >> (8 * i));
}

std::string Mutate(std::string s, std::mt19937& rng) {
  const auto pick = [&](size_t n) { return size_t(rng() % n); };
  static const uint32_t interesting[] = {0,
                                         1,
                                         2,
                                         3,
                                         4,
                                         8,
                                         12,
                                         16,
                                         24,
                                         32,
                                         40,
                                         124,
                                         0xFFFF,
                                         0x10000,
                                         0x7FFFFFFF,
                                         0x80000000,
                                         0xFFFFFFFF,
                                         0xFFFFFFF0,
                                         65500,
                                         65501,
                                         uint32_t(-1),
                                         uint32_t(-65500)};
  const int steps = 1 + int(pick(3));
  for (int k = 0; k < steps && !s.empty(); ++k) {
    switch (pick(4)) {
      case 0:  // flip a bit, mostly in the headers
        s[pick(std::min<size_t>(s.size(), pick(2) ? 70 : s.size()))] ^= char(1 << pick(8));
        break;
      case 1:  // cut the file short
        s.resize(pick(s.size()));
        break;
      case 2: {  // a header field (file header, info header, masks) to a boundary value
        static const size_t fields[] = {2, 10, 14, 18, 22, 26, 28, 30, 34, 46, 54, 58, 62};
        Put32(s, fields[pick(std::size(fields))], interesting[pick(std::size(interesting))]);
        break;
      }
      default:  // a random byte anywhere
        s[pick(s.size())] = char(rng());
        break;
    }
  }
  return s;
}

TEST(FuzzReplay, ReaderSurvivesMutatedFiles) {
  std::mt19937 rng(20240605);
  const std::vector<std::string> seeds = Seeds();
  int loaded = 0, refused = 0;
  const auto run = [&](const std::string& bytes) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    LLVMFuzzerTestOneInput(data, bytes.size());
    try {
      imaging::DecodeBmp(std::span(data, bytes.size()), "x.bmp");
      ++loaded;
    } catch (const Error&) {
      ++refused;
    }
  };
  for (const std::string& seed : seeds) {
    const auto* data = reinterpret_cast<const uint8_t*>(seed.data());
    ASSERT_NO_THROW(imaging::DecodeBmp(std::span(data, seed.size()), "seed.bmp"));
  }
  for (int i = 0; i < 30000; ++i) run(Mutate(seeds[size_t(i) % seeds.size()], rng));
  // Both ends are reached: the mutations leave many files readable and break many.
  EXPECT_GT(loaded, 3000);
  EXPECT_GT(refused, 3000);
}

}  // namespace
}  // namespace quillet::test
