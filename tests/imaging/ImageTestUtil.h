// Test helpers for the picture writers: an independent BMP encoder for every
// layout the reader accepts, and JPEG/GIF decoders (libjpeg, giflib) that read
// the written files back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/Bitmap.h"

namespace quillet::test {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

struct Image {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;  // rows top to bottom

  Image() = default;
  Image(int w, int h) : width(w), height(h), pixels(size_t(w) * size_t(h)) {}
  Rgb& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  const Rgb& at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

enum class BmpHeader { Core12, Info40, V4, V5 };

struct BmpLayout {
  int bpp = 24;
  BmpHeader header = BmpHeader::Info40;
  bool topDown = false;
  // Bit-field masks (16 and 32 bits): written with compression 3 when set.
  bool bitfields = false;
  uint32_t red = 0, green = 0, blue = 0;
  // Palette for 1, 4 and 8 bits: the image's colours must all be in it.
  std::vector<Rgb> palette;
};

// The bytes of a BMP file holding Image in Layout. Unused bits of 32-bit
// pixels are filled with a junk byte so that a reader that does not ignore
// them is caught.
std::string EncodeBmp(const Image& image, const BmpLayout& layout);

// A 24-bit bottom-up BMP, the usual case.
inline std::string EncodeBmp24(const Image& image) { return EncodeBmp(image, BmpLayout{}); }

// Reads a GIF file with giflib: pixels through the file's colour table.
struct GifContents {
  int width = 0, height = 0;
  std::vector<Rgb> colorTable;
  std::vector<uint8_t> indexes;  // rows top to bottom
};
GifContents DecodeGif(const std::string& file);

// Reads a JPEG file with libjpeg as RGB.
Image DecodeJpeg(const std::string& file);

// Largest difference of one channel between two images of the same size, and the mean.
struct Difference {
  int max = 0;
  double mean = 0;
};
Difference Compare(const Image& a, const Image& b);

// Between the test images and the library's pictures.
imaging::Bitmap ToBitmap(const Image& image);
Image ToImage(const imaging::Bitmap& bitmap);

// A picture with smooth gradients each way and a box with hard edges.
Image TestPattern(int width, int height);

}  // namespace quillet::test
