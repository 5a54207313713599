#include "imaging/Bitmap.h"

#include <new>

#include "platform/error.h"

namespace quillet::imaging {

namespace {
std::string SizeText(int64_t width, int64_t height) {
  return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}
}  // namespace

void CheckImageSize(int64_t width, int64_t height) {
  if (width < 0 || height < 0 || width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxImagePixels)
    throw Error("Image of " + SizeText(width, height) + " is too large (at most " + std::to_string(kMaxImageSide) +
                " pixels a side and " + std::to_string(kMaxImagePixels) + " pixels in all)");
}

Bitmap::Bitmap(int32_t width, int32_t height) {
  CheckImageSize(width, height);
  try {
    // Every pixel is written by whoever fills the picture: no zeroing pass.
    pixels_ = std::make_unique_for_overwrite<uint8_t[]>(size_t(width) * size_t(height) * 3);
  } catch (const std::bad_alloc&) {
    throw Error("Not enough memory for an image of " + SizeText(width, height));
  }
  width_ = width;
  height_ = height;
}

}  // namespace quillet::imaging
