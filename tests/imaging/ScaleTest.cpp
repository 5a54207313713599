#include <gtest/gtest.h>

#include "ImageTestUtil.h"
#include "imaging/Scale.h"
#include "platform/error.h"

namespace quillet::test {
namespace {

// Every pixel tells where it came from.
Image Coordinates(int width, int height) {
  Image img(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) img.at(x, y) = {uint8_t(x), uint8_t(y), 7};
  return img;
}

// The source pixel each target pixel took, as (x, y) pairs row by row.
std::vector<std::pair<int, int>> Sources(const Image& scaled) {
  std::vector<std::pair<int, int>> s;
  for (const Rgb& c : scaled.pixels) s.emplace_back(c.r, c.g);
  return s;
}

Image Stretch(const Image& src, int w, int h) { return ToImage(imaging::StretchBitmap(ToBitmap(src), w, h)); }

TEST(Stretch, HalvingTakesEverySecondPixelStartingWithTheSecond) {
  const Image out = Stretch(Coordinates(8, 4), 4, 2);
  EXPECT_EQ(Sources(out),
            (std::vector<std::pair<int, int>>{{1, 1}, {3, 1}, {5, 1}, {7, 1}, {1, 3}, {3, 3}, {5, 3}, {7, 3}}));
}

TEST(Stretch, DoublingRepeatsEveryPixel) {
  const Image out = Stretch(Coordinates(3, 2), 6, 4);
  std::vector<std::pair<int, int>> expected;
  for (int y : {0, 0, 1, 1})
    for (int x : {0, 0, 1, 1, 2, 2}) expected.emplace_back(x, y);
  EXPECT_EQ(Sources(out), expected);
}

// Odd ratios sample under the target pixels' centres: symmetric at both edges.
TEST(Stretch, OddRatiosSampleUnderPixelCentres) {
  EXPECT_EQ(Sources(Stretch(Coordinates(3, 1), 2, 1)), (std::vector<std::pair<int, int>>{{0, 0}, {2, 0}}));
  EXPECT_EQ(Sources(Stretch(Coordinates(5, 1), 3, 1)), (std::vector<std::pair<int, int>>{{0, 0}, {2, 0}, {4, 0}}));
  // 2 -> 3: centres at 1/3, 1, 5/3 of a source pixel.
  EXPECT_EQ(Sources(Stretch(Coordinates(1, 2), 1, 3)), (std::vector<std::pair<int, int>>{{0, 0}, {0, 1}, {0, 1}}));
}

TEST(Stretch, SameSizeIsACopyAndOnePixelFillsAnySize) {
  const Image src = Coordinates(5, 4);
  EXPECT_EQ(Stretch(src, 5, 4).pixels, src.pixels);
  const Image dot = Stretch(Coordinates(1, 1), 7, 3);
  EXPECT_EQ(dot.pixels, std::vector<Rgb>(21, Rgb{0, 0, 7}));
}

TEST(Stretch, RefusesEmptySourceAndTarget) {
  EXPECT_THROW(imaging::StretchBitmap(imaging::Bitmap(0, 3), 2, 2), Error);
  EXPECT_THROW(imaging::StretchBitmap(ToBitmap(Coordinates(2, 2)), 0, 2), Error);
  EXPECT_THROW(imaging::StretchBitmap(ToBitmap(Coordinates(2, 2)), 2, -1), Error);
  EXPECT_THROW(imaging::StretchBitmap(ToBitmap(Coordinates(2, 2)), 70000, 1), Error);
}

}  // namespace
}  // namespace quillet::test
