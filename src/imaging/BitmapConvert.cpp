#include "imaging/BitmapConvert.h"

#include "imaging/BmpReader.h"
#include "imaging/GifWriter.h"
#include "imaging/JpegWriter.h"
#include "imaging/Scale.h"
#include "platform/error.h"

namespace quillet {

namespace imaging {

namespace {

// Loads the bitmap and brings it to the requested size, then hands it to Write.
template <class Write>
void Convert(const std::string& bmpFile, int32_t width, int32_t height, bool keepAspect, Write&& write) {
  const Bitmap source = LoadBmpFile(bmpFile);
  const ImageSize size = TargetSize(source.Width(), source.Height(), width, height, keepAspect);
  if (size.Width <= 0 || size.Height <= 0 || source.Empty())
    throw Error("Cannot make an image of " + std::to_string(size.Width) + " x " + std::to_string(size.Height) +
                " pixels from " + bmpFile + (source.Empty() ? ", which holds no pixels" : ""));
  CheckImageSize(size.Width, size.Height);
  if (size.Width == source.Width() && size.Height == source.Height())
    write(source);
  else
    write(StretchBitmap(source, int32_t(size.Width), int32_t(size.Height)));
}

}  // namespace

ImageSize TargetSize(int32_t w0, int32_t h0, int32_t width, int32_t height, bool keepAspect) {
  CheckImageSize(w0, h0);  // keeps every product below within 64 bits
  int64_t w = width, h = height;
  if (w < 0) w = -w * w0 / 100;
  if (keepAspect) {
    if (w0 == 0) throw Error("Division by zero");
    h = w * h0 / w0;
  } else if (h < 0) {
    h = -h * h0 / 100;
  }
  return {w, h};
}

}  // namespace imaging

void ConvertBitmapToJpeg(const std::string& BmpFile, const std::string& JpegFile, int32_t Width, int32_t Height,
                         bool KeepAspect, int32_t Quality) {
  const int quality = Quality & 0xFF;
  imaging::Convert(BmpFile, Width, Height, KeepAspect,
                   [&](const imaging::Bitmap& image) { imaging::WriteJpegFile(image, JpegFile, quality); });
}

void ConvertBitmapToGif(const std::string& BmpFile, const std::string& GifFile, int32_t Width, int32_t Height,
                        bool KeepAspect) {
  imaging::Convert(BmpFile, Width, Height, KeepAspect,
                   [&](const imaging::Bitmap& image) { imaging::WriteGifFile(image, GifFile); });
}

}  // namespace quillet
