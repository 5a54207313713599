#include "imaging/Scale.h"

#include <cstring>
#include <vector>

#include "platform/error.h"

namespace quillet::imaging {

namespace {
// The source index under the centre of each of N target pixels over Size source pixels.
std::vector<int32_t> SampleIndexes(int32_t n, int32_t size) {
  std::vector<int32_t> index(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) index[size_t(i)] = int32_t((2 * int64_t(i) + 1) * size / (2 * int64_t(n)));
  return index;
}
}  // namespace

Bitmap StretchBitmap(const Bitmap& source, int32_t width, int32_t height) {
  if (source.Empty()) throw Error("Cannot scale an empty image");
  if (width <= 0 || height <= 0)
    throw Error("Cannot scale an image to " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
  Bitmap target(width, height);
  const std::vector<int32_t> columns = SampleIndexes(width, source.Width());
  const std::vector<int32_t> rows = SampleIndexes(height, source.Height());
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* dst = target.Row(y);
    // Neighbouring target rows often sample the same source row (enlarging).
    if (y > 0 && rows[size_t(y)] == rows[size_t(y) - 1]) {
      std::memcpy(dst, target.Row(y - 1), target.Stride());
      continue;
    }
    const uint8_t* src = source.Row(rows[size_t(y)]);
    for (int32_t x = 0; x < width; ++x) std::memcpy(dst + size_t(x) * 3, src + size_t(columns[size_t(x)]) * 3, 3);
  }
  return target;
}

}  // namespace quillet::imaging
