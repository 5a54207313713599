#include "SlideImages.h"

#include <algorithm>

#include "Files.h"
#include "platform/path.h"

namespace quillet::doubles {

namespace {

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xff);
  out += static_cast<char>((v >> 8) & 0xff);
}

void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xffff);
  Put16(out, v >> 16);
}

// A bottom-up 24-bit BMP file of one colour.
std::string Bitmap(int32_t width, int32_t height, SlideColour c) {
  const uint32_t w = static_cast<uint32_t>(std::max(width, 0)), h = static_cast<uint32_t>(std::max(height, 0));
  const uint32_t stride = (w * 3 + 3) & ~3u;
  const uint32_t pixels = stride * h, offset = 14 + 40;
  std::string out;
  out += "BM";
  Put32(out, offset + pixels);
  Put32(out, 0);  // reserved
  Put32(out, offset);
  Put32(out, 40);  // the Windows header
  Put32(out, w);
  Put32(out, h);
  Put16(out, 1);   // planes
  Put16(out, 24);  // bits per pixel
  Put32(out, 0);   // uncompressed
  Put32(out, pixels);
  Put32(out, 2835);  // 72 dots per inch
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  std::string row;
  for (uint32_t x = 0; x < w; ++x) {
    row += static_cast<char>(c.blue);
    row += static_cast<char>(c.green);
    row += static_cast<char>(c.red);
  }
  row.resize(stride, '\0');
  for (uint32_t y = 0; y < h; ++y) out += row;
  return out;
}

}  // namespace

SlideColour ColourOfSlide(int32_t n) {
  const auto byte = [](int32_t v) { return static_cast<uint8_t>(v & 0xff); };
  return {byte(40 * n), byte(30 + 90 * n), byte(255 - 20 * n)};
}

void WriteSlideImages(const std::string& folder, int32_t count, int32_t width, int32_t height,
                      const std::vector<int32_t>& bad) {
  for (int32_t n = 1; n <= count; ++n) {
    const std::string file = path::IncludeTrailingDelimiter(folder) + "Slide" + std::to_string(n) + ".bmp";
    const bool garbage = std::find(bad.begin(), bad.end(), n) != bad.end();
    const std::string bytes = garbage ? std::string("no picture here\r\n") : Bitmap(width, height, ColourOfSlide(n));
    WriteWholeFile(file, bytes);
  }
}

}  // namespace quillet::doubles
