// Scaling a picture to a new size, the way a stretch-draw onto a new bitmap
// of that size does it with the colour-on-colour stretch mode: every target
// pixel takes the colour of one source pixel (nearest neighbour, no blending).
//
// Target pixel x samples source column (2x + 1) * W0 div (2 * W), the column
// under the target pixel's centre; rows likewise. The mapping is symmetric
// (the first and last target pixels sample near both edges alike), a same-size
// scale is the identity, halving takes every second pixel starting with the
// second, and doubling repeats every pixel twice.
#pragma once

#include <cstdint>

#include "imaging/Bitmap.h"

namespace quillet::imaging {

// Source must not be empty; Width and Height at least 1 and within the size
// limits (raises Error otherwise).
Bitmap StretchBitmap(const Bitmap& source, int32_t width, int32_t height);

}  // namespace quillet::imaging
