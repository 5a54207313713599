// Turning a BMP file into a JPEG or GIF file of a chosen size: the picture
// writers behind the slide-image passes.
//
// Size rules, with W0 x H0 the bitmap's own size:
//   - a negative Width is a percentage: Width := (-Width * W0) div 100;
//   - with KeepAspect, Height := (Width * H0) div W0 (a bitmap of width zero
//     raises Error "Division by zero"); otherwise a negative Height is a
//     percentage of H0 like the width;
//   - divisions truncate toward zero, multiplication comes first, and the
//     arithmetic is 64-bit so that no product overflows.
// When the result equals W0 x H0 the pixels are written as loaded; otherwise
// the picture is scaled as StretchBitmap (Scale.h) describes.
//
// A size that comes out as zero (or, with explicit values, negative) would ask
// for an empty picture, which neither format can hold: it raises Error
// "Cannot make an image of <W> x <H> pixels from <BmpFile>", as does a bitmap
// that holds no pixels. Sizes past the limits of Bitmap.h raise the
// too-large error. Every failure raises Error and leaves no output file.
#pragma once

#include <cstdint>
#include <string>

namespace quillet {

namespace imaging {

struct ImageSize {
  int64_t Width = 0;
  int64_t Height = 0;
  bool operator==(const ImageSize&) const = default;
};

// The target size for a bitmap of W0 x H0 (within the limits of Bitmap.h) by
// the rules above; raises the division error, but not the empty- or
// too-large-size errors.
ImageSize TargetSize(int32_t w0, int32_t h0, int32_t width, int32_t height, bool keepAspect);

}  // namespace imaging

// Quality: only its low byte counts (0..255), then libjpeg's scale applies:
// 0 counts as 1 and anything above 100 as 100.
void ConvertBitmapToJpeg(const std::string& BmpFile, const std::string& JpegFile, int32_t Width, int32_t Height,
                         bool KeepAspect, int32_t Quality);

// The GIF holds the picture reduced to the fixed 216-colour palette of
// GifWriter.h, whatever the bitmap's own colours or palette.
void ConvertBitmapToGif(const std::string& BmpFile, const std::string& GifFile, int32_t Width, int32_t Height,
                        bool KeepAspect);

}  // namespace quillet
