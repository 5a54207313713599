// The in-memory picture the image writers work on: 24-bit true colour, rows
// from top to bottom, each pixel three bytes in blue, green, red order (the
// byte order of a 24-bit BMP row), rows packed without padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quillet::imaging {

// Limits on the pictures the writers accept, read or made. A side stays within
// what a JPEG (65500) and a GIF (65535) can record; the pixel count keeps one
// picture at or under 96 MiB, so that a source and a scaled copy fit in the
// address space of a 32-bit process next to the host's own data.
inline constexpr int64_t kMaxImageSide = 65500;
inline constexpr int64_t kMaxImagePixels = int64_t(32) << 20;

// Raises Error when Width x Height is outside the limits above. Zero sides pass:
// an empty picture takes no memory (whether it may be written is the caller's call).
void CheckImageSize(int64_t width, int64_t height);

class Bitmap {
 public:
  Bitmap() = default;
  // Width x Height pixels, contents undefined. Raises Error when the size is
  // outside the limits or the memory cannot be had.
  Bitmap(int32_t width, int32_t height);

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  size_t Stride() const { return size_t(width_) * 3; }

  uint8_t* Row(int32_t y) { return pixels_.get() + size_t(y) * Stride(); }
  const uint8_t* Row(int32_t y) const { return pixels_.get() + size_t(y) * Stride(); }

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  std::unique_ptr<uint8_t[]> pixels_;
};

}  // namespace quillet::imaging
