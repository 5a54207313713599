#include <gtest/gtest.h>

#include <climits>

#include "ImageTestUtil.h"
#include "TestSupport.h"
#include "imaging/BitmapConvert.h"
#include "imaging/GifWriter.h"
#include "platform/error.h"
#include "platform/fs.h"

namespace quillet::test {
namespace {

using imaging::ImageSize;
using imaging::TargetSize;

// --- size rules ---------------------------------------------------------------

TEST(TargetSize, PercentagesAndAspect) {
  EXPECT_EQ(TargetSize(800, 600, -50, -50, false), (ImageSize{400, 300}));
  EXPECT_EQ(TargetSize(800, 600, 400, 0, true), (ImageSize{400, 300}));
  EXPECT_EQ(TargetSize(800, 600, 800, 600, false), (ImageSize{800, 600}));
  // Explicit sizes are taken as they are, distortion and all.
  EXPECT_EQ(TargetSize(800, 600, 100, 700, false), (ImageSize{100, 700}));
  // Percentages above 100 enlarge; each side has its own.
  EXPECT_EQ(TargetSize(800, 600, -200, -10, false), (ImageSize{1600, 60}));
  // Keep-aspect ignores the height, negative or not, and follows a percentage width.
  EXPECT_EQ(TargetSize(801, 601, -50, -10, true), (ImageSize{400, 300}));  // 400 * 601 / 801 = 300.1
  EXPECT_EQ(TargetSize(3, 7, 100, 5, true), (ImageSize{100, 233}));        // 233.3
}

TEST(TargetSize, DivisionsTruncate) {
  EXPECT_EQ(TargetSize(101, 199, -33, -33, false), (ImageSize{33, 65}));  // 33.33, 65.67
  EXPECT_EQ(TargetSize(7, 9, 5, 0, true), (ImageSize{5, 6}));             // 6.43
  EXPECT_EQ(TargetSize(50, 50, -1, -1, false), (ImageSize{0, 0}));        // 0.5: an empty picture
}

// Products that would overflow 32 bits are done in 64.
TEST(TargetSize, NoOverflow) {
  EXPECT_EQ(TargetSize(65500, 500, INT_MIN, INT_MIN, false),
            (ImageSize{int64_t(2147483648) * 65500 / 100, int64_t(2147483648) * 500 / 100}));
  EXPECT_EQ(TargetSize(3, 65500, INT_MAX, 0, true), (ImageSize{INT_MAX, int64_t(INT_MAX) * 65500 / 3}));
}

TEST(TargetSize, ZeroWidthBitmapWithKeepAspectIsADivisionError) {
  EXPECT_EQ(test::ErrorOf([] { TargetSize(0, 600, 400, 0, true); }), "Division by zero");
  // Without keep-aspect there is no division by the width.
  EXPECT_EQ(TargetSize(0, 600, -50, -50, false), (ImageSize{0, 300}));
}

// --- conversions ----------------------------------------------------------------

class Convert : public testing::Test {
 protected:
  TempDir dir;
  std::string Bmp(const Image& img, const std::string& name = "in.bmp") {
    const std::string file = dir / name;
    WriteFile(file, EncodeBmp24(img));
    return file;
  }
  static std::string Message(const std::function<void()>& f) { return test::ErrorOf(f); }
};

// The pixels a GIF of Img must hold: each pixel's palette colour.
Image OnPalette(const Image& img) {
  Image out = img;
  for (Rgb& c : out.pixels)
    c = {uint8_t(51 * ((c.r + 3) / 51)), uint8_t(51 * ((c.g + 3) / 51)), uint8_t(51 * ((c.b + 3) / 51))};
  return out;
}

Image GifPixels(const GifContents& gif) {
  Image img(gif.width, gif.height);
  for (size_t i = 0; i < gif.indexes.size(); ++i) img.pixels[i] = gif.colorTable.at(gif.indexes[i]);
  return img;
}

TEST_F(Convert, HalfSizeByPercentages) {
  const Image src = TestPattern(800, 600);
  const std::string bmp = Bmp(src);
  ConvertBitmapToGif(bmp, dir / "out.gif", -50, -50, false);
  ConvertBitmapToJpeg(bmp, dir / "out.jpg", -50, -50, false, 75);

  const Image gif = GifPixels(DecodeGif(dir / "out.gif"));
  ASSERT_EQ(gif.width, 400);
  ASSERT_EQ(gif.height, 300);
  // Nearest neighbour: target (x, y) shows source (2x + 1, 2y + 1), on the palette.
  Image expected(400, 300);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) expected.at(x, y) = src.at(2 * x + 1, 2 * y + 1);
  EXPECT_EQ(gif.pixels, OnPalette(expected).pixels);

  const Image jpg = DecodeJpeg(dir / "out.jpg");
  ASSERT_EQ(jpg.width, 400);
  ASSERT_EQ(jpg.height, 300);
  EXPECT_LT(Compare(jpg, expected).mean, 3.0);
}

TEST_F(Convert, WidthWithKeepAspect) {
  const std::string bmp = Bmp(TestPattern(800, 600));
  ConvertBitmapToGif(bmp, dir / "out.gif", 400, -10, true);
  ConvertBitmapToJpeg(bmp, dir / "out.jpg", 400, 0, true, 75);
  const GifContents gif = DecodeGif(dir / "out.gif");
  EXPECT_EQ(gif.width, 400);
  EXPECT_EQ(gif.height, 300);
  const Image jpg = DecodeJpeg(dir / "out.jpg");
  EXPECT_EQ(jpg.width, 400);
  EXPECT_EQ(jpg.height, 300);
}

// The same size writes the loaded pixels: exactly (on the palette) in the GIF,
// within JPEG's loss in the JPEG.
TEST_F(Convert, SameSizeKeepsThePixels) {
  const Image src = TestPattern(800, 600);
  const std::string bmp = Bmp(src);
  ConvertBitmapToGif(bmp, dir / "out.gif", 800, 600, false);
  ConvertBitmapToJpeg(bmp, dir / "out.jpg", -100, -100, false, 95);
  EXPECT_EQ(GifPixels(DecodeGif(dir / "out.gif")).pixels, OnPalette(src).pixels);
  const Image jpg = DecodeJpeg(dir / "out.jpg");
  ASSERT_EQ(jpg.width, 800);
  ASSERT_EQ(jpg.height, 600);
  EXPECT_LT(Compare(jpg, src).mean, 1.5);
  // Away from edges a pixel keeps its colour closely (catches swapped channels
  // or rows even where the average would hide them).
  for (const auto& [x, y] : {std::pair{400, 300}, std::pair{10, 10}, std::pair{790, 20}, std::pair{20, 590}}) {
    const Rgb a = jpg.at(x, y), b = src.at(x, y);
    EXPECT_LE(std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b), 12) << x << "," << y;
  }
}

// Every combination of the boundary values around the palette's level steps.
TEST_F(Convert, GifPaletteAndMapping) {
  const uint8_t values[] = {0, 23, 24, 25, 48, 49, 51, 255};
  const int levels[] = {0, 0, 0, 0, 1, 1, 1, 5};  // (c + 3) div 51
  Image img(64, 8);
  for (int i = 0; i < 512; ++i) img.at(i % 64, i / 64) = {values[i / 64], values[i / 8 % 8], values[i % 8]};
  ConvertBitmapToGif(Bmp(img), dir / "out.gif", 64, 8, false);

  const GifContents gif = DecodeGif(dir / "out.gif");
  ASSERT_EQ(gif.colorTable.size(), 256u);
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        EXPECT_EQ(gif.colorTable[size_t(36 * r + 6 * g + b)], (Rgb{uint8_t(51 * r), uint8_t(51 * g), uint8_t(51 * b)}));
  ASSERT_EQ(gif.indexes.size(), 512u);
  for (int i = 0; i < 512; ++i)
    ASSERT_EQ(gif.indexes[size_t(i)], 36 * levels[i / 64] + 6 * levels[i / 8 % 8] + levels[i % 8]) << "pixel " << i;
}

TEST(GifPalette, LevelSteps) {
  // Each level starts 3 below its palette value.
  for (int level = 1; level <= 5; ++level) {
    EXPECT_EQ(imaging::PaletteLevel(uint8_t(51 * level - 4)), level - 1);
    EXPECT_EQ(imaging::PaletteLevel(uint8_t(51 * level - 3)), level);
  }
  EXPECT_EQ(imaging::PaletteIndex(255, 255, 255), 215);
  EXPECT_EQ(imaging::PaletteIndex(48, 0, 255), 41);
}

// Palettised, 32-bit and top-down bitmaps give the same GIF as the 24-bit one.
TEST_F(Convert, SourceLayoutDoesNotChangeTheResult) {
  Image img(31, 17);
  const std::vector<Rgb> colours = {{0, 0, 0}, {255, 255, 255}, {200, 30, 60}, {24, 25, 48}};
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 31; ++x) img.at(x, y) = colours[size_t(x / 4 + y) % 4];
  ConvertBitmapToGif(Bmp(img), dir / "ref.gif", -200, -300, false);
  const std::string reference = ReadFile(dir / "ref.gif");

  BmpLayout layouts[4];
  layouts[0].bpp = 8, layouts[0].palette = colours;
  layouts[1].bpp = 4, layouts[1].palette = colours, layouts[1].topDown = true;
  layouts[2].bpp = 32, layouts[2].topDown = true;
  layouts[3].bpp = 32, layouts[3].header = BmpHeader::V5;
  for (const BmpLayout& l : layouts) {
    WriteFile(dir / "in.bmp", EncodeBmp(img, l));
    ConvertBitmapToGif(dir / "in.bmp", dir / "out.gif", -200, -300, false);
    EXPECT_EQ(ReadFile(dir / "out.gif"), reference) << l.bpp << " bits";
  }
}

TEST_F(Convert, JpegQuality) {
  const std::string bmp = Bmp(TestPattern(320, 200));
  ConvertBitmapToJpeg(bmp, dir / "q10.jpg", 320, 200, false, 10);
  ConvertBitmapToJpeg(bmp, dir / "q90.jpg", 320, 200, false, 90);
  const std::string q10 = ReadFile(dir / "q10.jpg"), q90 = ReadFile(dir / "q90.jpg");
  EXPECT_LT(q10.size(), q90.size() * 3 / 4);
  for (const char* name : {"q10.jpg", "q90.jpg"}) {
    const Image img = DecodeJpeg(dir / name);
    EXPECT_EQ(img.width, 320);
    EXPECT_EQ(img.height, 200);
  }
  // Only the low byte of the quality counts.
  ConvertBitmapToJpeg(bmp, dir / "q.jpg", 320, 200, false, 0x7F00 + 90);
  EXPECT_EQ(ReadFile(dir / "q.jpg"), q90);
  ConvertBitmapToJpeg(bmp, dir / "q.jpg", 320, 200, false, -246);  // low byte 10
  EXPECT_EQ(ReadFile(dir / "q.jpg"), q10);
}

TEST_F(Convert, ReplacesAnExistingFile) {
  WriteFile(dir / "out.gif", std::string(100000, 'x'));
  ConvertBitmapToGif(Bmp(TestPattern(16, 16)), dir / "out.gif", 8, 8, false);
  EXPECT_EQ(DecodeGif(dir / "out.gif").width, 8);
}

TEST_F(Convert, Failures) {
  const std::string good = Bmp(TestPattern(40, 30));
  const std::string out = dir / "out.jpg";
  EXPECT_EQ(Message([&] { ConvertBitmapToJpeg(dir / "none.bmp", out, -100, -100, false, 75); }),
            "Cannot open file " + (dir / "none.bmp"));
  WriteFile(dir / "text.bmp", "hello");
  EXPECT_EQ(Message([&] { ConvertBitmapToGif(dir / "text.bmp", out, -100, -100, false); }),
            (dir / "text.bmp") + " is not a BMP file");
  EXPECT_EQ(Message([&] { ConvertBitmapToJpeg(good, out, 1, -1, false, 75); }),
            "Cannot make an image of 1 x 0 pixels from " + good);
  EXPECT_EQ(Message([&] { ConvertBitmapToGif(good, out, 0, 10, false); }),
            "Cannot make an image of 0 x 10 pixels from " + good);
  EXPECT_NE(Message([&] { ConvertBitmapToJpeg(good, out, 100000, 10, false, 75); }).find("too large"),
            std::string::npos);
  EXPECT_NE(Message([&] { ConvertBitmapToGif(good, out, INT_MIN, 10, false); }).find("too large"), std::string::npos);
  EXPECT_NE(Message([&] { ConvertBitmapToGif(good, out, 20000, 0, true); }).find("too large"), std::string::npos);
  const std::string noFolder = dir / "missing" + (dir.path().find('\\') != std::string::npos ? "\\x.gif" : "/x.gif");
  EXPECT_EQ(Message([&] { ConvertBitmapToGif(good, noFolder, -100, -100, false); }), "Cannot create file " + noFolder);
  EXPECT_FALSE(os::FileExists(out));
}

TEST_F(Convert, ZeroWidthBitmap) {
  const std::string empty = Bmp(Image(0, 600), "empty.bmp");
  EXPECT_EQ(Message([&] { ConvertBitmapToJpeg(empty, dir / "o.jpg", 400, 0, true, 75); }), "Division by zero");
  EXPECT_EQ(Message([&] { ConvertBitmapToGif(empty, dir / "o.gif", 400, 0, true); }), "Division by zero");
  EXPECT_EQ(Message([&] { ConvertBitmapToGif(empty, dir / "o.gif", 400, 300, false); }),
            "Cannot make an image of 400 x 300 pixels from " + empty + ", which holds no pixels");
  EXPECT_FALSE(os::FileExists(dir / "o.gif"));
  EXPECT_FALSE(os::FileExists(dir / "o.jpg"));
}

}  // namespace
}  // namespace quillet::test
