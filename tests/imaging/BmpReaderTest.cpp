#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "ImageTestUtil.h"
#include "TestSupport.h"
#include "imaging/BmpReader.h"
#include "platform/error.h"

namespace quillet::test {
namespace {

using imaging::Bitmap;

// An image of Width x Height that uses every colour of Colours.
Image PaletteImage(int width, int height, const std::vector<Rgb>& colours) {
  Image img(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) img.at(x, y) = colours[size_t(x * 5 + y * 3 + x * y) % colours.size()];
  return img;
}

Bitmap Decode(const std::string& bytes) {
  return imaging::DecodeBmp(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), "mem.bmp");
}

void Set16(std::string& s, size_t at, uint32_t v) {
  s[at] = char(v);
  s[at + 1] = char(v >> 8);
}
void Set32(std::string& s, size_t at, uint32_t v) {
  Set16(s, at, v & 0xFFFF);
  Set16(s, at + 2, v >> 16);
}
uint32_t PixelOffset(const std::string& s) {
  uint32_t v;
  std::memcpy(&v, s.data() + 10, 4);
  return v;
}

// Two colours every layout can hold exactly, 16-bit ones included.
const std::vector<Rgb> kTwo = {{255, 0, 255}, {0, 255, 0}};
// Sixteen colours that need 8 bits a channel.
const std::vector<Rgb> kSixteen = {{0, 0, 0},     {255, 255, 255}, {1, 2, 3},     {254, 128, 7},
                                   {23, 24, 25},  {48, 49, 51},    {200, 10, 90}, {10, 200, 90},
                                   {90, 10, 200}, {127, 128, 129}, {66, 66, 66},  {255, 0, 0},
                                   {0, 255, 0},   {0, 0, 255},     {17, 170, 34}, {250, 5, 250}};

struct LayoutCase {
  const char* name;
  BmpLayout layout;
  bool rich;  // the sixteen-colour image, else the two-colour one
};

BmpLayout Indexed(int bpp, BmpHeader header, bool topDown, const std::vector<Rgb>& palette) {
  BmpLayout l;
  l.bpp = bpp;
  l.header = header;
  l.topDown = topDown;
  l.palette = palette;
  return l;
}
BmpLayout Direct(int bpp, BmpHeader header, bool topDown) {
  BmpLayout l;
  l.bpp = bpp;
  l.header = header;
  l.topDown = topDown;
  return l;
}
BmpLayout Masked(int bpp, BmpHeader header, bool topDown, uint32_t r, uint32_t g, uint32_t b) {
  BmpLayout l = Direct(bpp, header, topDown);
  l.bitfields = true;
  l.red = r, l.green = g, l.blue = b;
  return l;
}

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class BmpLayouts : public testing::TestWithParam<LayoutCase> {};

// Whatever the depth, header version, row order or channel layout, the reader
// gives back exactly the pixels that were stored, also past row padding
// (width 13 pads every depth).
TEST_P(BmpLayouts, GiveBackTheStoredPixels) {
  const LayoutCase& c = GetParam();
  const Image expected = PaletteImage(13, 7, c.rich ? kSixteen : kTwo);
  const std::string bytes = EncodeBmp(expected, c.layout);

  TempDir dir;
  WriteFile(dir / "in.bmp", bytes);
  const Bitmap fromFile = imaging::LoadBmpFile(dir / "in.bmp");
  ASSERT_EQ(fromFile.Width(), 13);
  ASSERT_EQ(fromFile.Height(), 7);
  EXPECT_EQ(ToImage(fromFile).pixels, expected.pixels);
  EXPECT_EQ(ToImage(Decode(bytes)).pixels, expected.pixels);
}

std::vector<Rgb> PaddedPalette(std::vector<Rgb> colours, size_t n) {
  for (int i = 0; colours.size() < n; ++i) colours.push_back({uint8_t(i), 99, uint8_t(255 - i)});
  return colours;
}

INSTANTIATE_TEST_SUITE_P(
    AllDepths, BmpLayouts,
    testing::Values(
        LayoutCase{"bpp1_bottom_up", Indexed(1, BmpHeader::Info40, false, kTwo), false},
        LayoutCase{"bpp1_top_down", Indexed(1, BmpHeader::Info40, true, kTwo), false},
        LayoutCase{"bpp1_core", Indexed(1, BmpHeader::Core12, false, kTwo), false},
        LayoutCase{"bpp4_bottom_up", Indexed(4, BmpHeader::Info40, false, kSixteen), true},
        LayoutCase{"bpp4_top_down_short_palette", Indexed(4, BmpHeader::Info40, true, kTwo), false},
        LayoutCase{"bpp4_core", Indexed(4, BmpHeader::Core12, false, kSixteen), true},
        LayoutCase{"bpp8_bottom_up", Indexed(8, BmpHeader::Info40, false, kSixteen), true},
        LayoutCase{"bpp8_top_down_full_palette", Indexed(8, BmpHeader::Info40, true, PaddedPalette(kSixteen, 256)),
                   true},
        LayoutCase{"bpp8_v5", Indexed(8, BmpHeader::V5, false, kSixteen), true},
        LayoutCase{"bpp8_core", Indexed(8, BmpHeader::Core12, false, PaddedPalette(kSixteen, 256)), true},
        LayoutCase{"bpp16_555", Direct(16, BmpHeader::Info40, false), false},
        LayoutCase{"bpp16_565_bitfields", Masked(16, BmpHeader::Info40, true, 0xF800, 0x07E0, 0x001F), false},
        LayoutCase{"bpp16_444_v4", Masked(16, BmpHeader::V4, false, 0x0F00, 0x00F0, 0x000F), false},
        LayoutCase{"bpp24_bottom_up", Direct(24, BmpHeader::Info40, false), true},
        LayoutCase{"bpp24_top_down", Direct(24, BmpHeader::Info40, true), true},
        LayoutCase{"bpp24_core", Direct(24, BmpHeader::Core12, false), true},
        LayoutCase{"bpp24_v5", Direct(24, BmpHeader::V5, true), true},
        LayoutCase{"bpp32_bottom_up", Direct(32, BmpHeader::Info40, false), true},
        LayoutCase{"bpp32_top_down_v4", Direct(32, BmpHeader::V4, true), true},
        LayoutCase{"bpp32_rgba_masks", Masked(32, BmpHeader::Info40, false, 0xFF, 0xFF00, 0xFF0000), true},
        LayoutCase{"bpp32_high_masks_v5", Masked(32, BmpHeader::V5, true, 0xFF000000, 0xFF0000, 0xFF00), true},
        LayoutCase{"bpp32_ten_bit_channels", Masked(32, BmpHeader::Info40, false, 0x3FF00000, 0xFFC00, 0x3FF), true}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

// Channels narrower than 8 bits stretch over 0..255, rounded to nearest.
TEST(BmpReader, ScalesNarrowChannelsToFullRange) {
  Image one(1, 1);
  std::string bmp = EncodeBmp(one, Direct(16, BmpHeader::Info40, false));
  Set16(bmp, PixelOffset(bmp), 16u << 10 | 1u << 5 | 31u);  // 5-bit red 16, green 1, blue 31
  Bitmap b = Decode(bmp);
  EXPECT_EQ(ToImage(b).at(0, 0), (Rgb{132, 8, 255}));  // 16*255/31 = 131.6, 255/31 = 8.2

  bmp = EncodeBmp(one, Masked(16, BmpHeader::Info40, false, 0xF800, 0x07E0, 0x001F));
  Set16(bmp, PixelOffset(bmp), 0u << 11 | 32u << 5 | 1u);  // 6-bit green 32
  b = Decode(bmp);
  EXPECT_EQ(ToImage(b).at(0, 0), (Rgb{0, 130, 8}));  // 32*255/63 = 129.5
}

// A mask that is empty gives a channel that is always zero.
TEST(BmpReader, EmptyMaskReadsAsZero) {
  Image img(2, 1);
  img.at(0, 0) = {255, 255, 255};
  const std::string bmp = EncodeBmp(img, Masked(32, BmpHeader::Info40, false, 0xFF0000, 0, 0xFF));
  EXPECT_EQ(ToImage(Decode(bmp)).at(0, 0), (Rgb{255, 0, 255}));
}

// An index past the palette reads as black, not as memory beyond the palette.
TEST(BmpReader, IndexPastThePaletteIsBlack) {
  Image img(3, 1);
  img.at(0, 0) = {255, 255, 255};
  img.at(1, 0) = img.at(2, 0) = {10, 20, 30};
  std::string bmp = EncodeBmp(img, Indexed(8, BmpHeader::Info40, false, {{255, 255, 255}, {10, 20, 30}}));
  bmp[PixelOffset(bmp) + 1] = char(200);
  EXPECT_EQ(ToImage(Decode(bmp)).pixels, (std::vector<Rgb>{{255, 255, 255}, {0, 0, 0}, {10, 20, 30}}));
}

// Some writers leave off the last row's padding; the pixels are all there, so
// the file loads. One byte fewer and a pixel is missing.
TEST(BmpReader, LastRowWithoutPaddingLoads) {
  const Image img = PaletteImage(13, 2, kSixteen);  // 39 bytes a row, stride 40
  std::string bmp = EncodeBmp24(img);
  bmp.pop_back();
  EXPECT_EQ(ToImage(Decode(bmp)).pixels, img.pixels);
  bmp.pop_back();
  EXPECT_THROW(Decode(bmp), Error);
}

TEST(BmpReader, ZeroWidthLoadsAsEmptyPicture) {
  std::string bmp = EncodeBmp24(Image(0, 5));
  const Bitmap b = Decode(bmp);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 5);
}

struct BadCase {
  const char* name;
  std::function<void(std::string&)> damage;
  const char* message;    // part of the expected error text
  bool eightBit = false;  // damage an 8-bit file, else a 24-bit one
};

std::string Valid24() { return EncodeBmp24(PaletteImage(13, 7, kSixteen)); }
std::string Valid8() {
  return EncodeBmp(PaletteImage(13, 7, kSixteen), Indexed(8, BmpHeader::Info40, false, kSixteen));
}

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class BadBmp : public testing::TestWithParam<BadCase> {};

// Damaged and hostile files end in an Error naming the file and the fault,
// both from disk and from memory, and nothing is allocated for absurd sizes.
TEST_P(BadBmp, RaisesError) {
  const BadCase& c = GetParam();
  std::string bytes = c.eightBit ? Valid8() : Valid24();
  c.damage(bytes);
  TempDir dir;
  const std::string file = dir / "bad.bmp";
  WriteFile(file, bytes);
  try {
    imaging::LoadBmpFile(file);
    FAIL() << "no error from the file";
  } catch (const Error& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
    if (message.find("too large") == std::string::npos) {
      EXPECT_NE(message.find(file), std::string::npos) << message;
    }
  }
  try {
    Decode(bytes);
    FAIL() << "no error from memory";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BadBmp,
    testing::Values(BadCase{"empty", [](std::string& s) { s.clear(); }, "is not a BMP file"},
                    BadCase{"gif", [](std::string& s) { s = "GIF89a" + s; }, "is not a BMP file"},
                    BadCase{"one_byte", [](std::string& s) { s = "B"; }, "is not a BMP file"},
                    BadCase{"cut_in_file_header", [](std::string& s) { s.resize(10); }, "is truncated"},
                    BadCase{"cut_in_info_header", [](std::string& s) { s.resize(14 + 20); }, "is truncated"},
                    BadCase{"cut_in_palette", [](std::string& s) { s.resize(14 + 40 + 30); }, "is truncated", true},
                    BadCase{"cut_in_pixels", [](std::string& s) { s.resize(s.size() - 41); }, "is truncated"},
                    BadCase{"offset_past_end", [](std::string& s) { Set32(s, 10, 0xFFFFFFF0); }, "is truncated"},
                    BadCase{"offset_inside_header", [](std::string& s) { Set32(s, 10, 20); }, "overlaps the header"},
                    BadCase{"wide", [](std::string& s) { Set32(s, 18, 70000); }, "too large"},
                    BadCase{"most_negative_height", [](std::string& s) { Set32(s, 22, 0x80000000); }, "too large"},
                    BadCase{"too_many_pixels",
                            [](std::string& s) {
                              Set32(s, 18, 10000);
                              Set32(s, 22, 10000);
                            },
                            "too large"},
                    BadCase{"negative_width", [](std::string& s) { Set32(s, 18, uint32_t(-13)); }, "negative width"},
                    BadCase{"two_bits", [](std::string& s) { Set16(s, 28, 2); }, "2 bits per pixel"},
                    BadCase{"64_bits", [](std::string& s) { Set16(s, 28, 64); }, "64 bits per pixel"},
                    BadCase{"rle", [](std::string& s) { Set32(s, 30, 1); }, "run-length", true},
                    BadCase{"png_inside", [](std::string& s) { Set32(s, 30, 5); }, "embedded JPEG or PNG"},
                    BadCase{"bitfields_on_24_bits", [](std::string& s) { Set32(s, 30, 3); }, "bit-field masks with 24"},
                    BadCase{"odd_header_size", [](std::string& s) { Set32(s, 14, 64); }, "header of 64 bytes"},
                    BadCase{"mask_with_gap",
                            [](std::string& s) {
                              s = EncodeBmp(Image(2, 2), Masked(32, BmpHeader::Info40, false, 0xF0F000, 0xFF00, 0xFF));
                            },
                            "gaps"},
                    BadCase{"mask_outside_pixel",
                            [](std::string& s) {
                              s = EncodeBmp(Image(2, 2), Masked(16, BmpHeader::V5, false, 0x1F0000, 0x7E0, 0x1F));
                            },
                            "outside the pixel"}),
    [](const testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

TEST(BmpReader, MissingFile) {
  TempDir dir;
  EXPECT_EQ(test::ErrorOf([&] { imaging::LoadBmpFile(dir / "none.bmp"); }), "Cannot open file " + (dir / "none.bmp"));
}

}  // namespace
}  // namespace quillet::test
