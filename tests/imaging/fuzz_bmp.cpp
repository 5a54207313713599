// Fuzz entry for the BMP reader: any bytes must end in a picture or an Error,
// never in a crash, a hang or a read outside the input. Built as a libFuzzer
// target under clang, and replayed on generated inputs by FuzzReplayTest.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "imaging/BmpReader.h"
#include "platform/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const quillet::imaging::Bitmap bmp = quillet::imaging::DecodeBmp(std::span(data, size), "fuzz.bmp");
    // A picture that loads is within the limits and every row is readable.
    if (bmp.Width() < 0 || bmp.Height() < 0 || bmp.Width() > quillet::imaging::kMaxImageSide ||
        bmp.Height() > quillet::imaging::kMaxImageSide)
      std::abort();
    unsigned sum = 0;
    for (int32_t y = 0; y < bmp.Height(); ++y)
      for (size_t i = 0; i < bmp.Stride(); ++i) sum += bmp.Row(y)[i];
    volatile unsigned sink = sum;
    (void)sink;
  } catch (const quillet::Error&) {
  }
  return 0;
}
