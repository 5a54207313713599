// Writing a picture as a GIF file on the fixed palette of 216 colours.
//
// Palette entry 36*r + 6*g + b (r, g, b from 0 to 5) has the red, green and
// blue values 51*r, 51*g and 51*b. Each pixel takes, with no dithering, the
// entry whose levels are (red + 3) div 51, (green + 3) div 51 and
// (blue + 3) div 51. The colour table of the file has 256 entries (a GIF
// table's size is a power of two); the 40 past the palette are black and unused.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/Bitmap.h"

namespace quillet::imaging {

inline constexpr int kGifPaletteColors = 216;

// The palette level (0..5) of one colour value.
constexpr uint8_t PaletteLevel(uint8_t value) { return uint8_t((value + 3) / 51); }

constexpr uint8_t PaletteIndex(uint8_t red, uint8_t green, uint8_t blue) {
  return uint8_t(36 * PaletteLevel(red) + 6 * PaletteLevel(green) + PaletteLevel(blue));
}

// Writes Image (not empty) to File through giflib. Raises Error "Cannot create
// file <File>" or "Cannot write GIF file <File>: <reason>"; no partial file is
// left behind.
void WriteGifFile(const Bitmap& image, const std::string& file);

}  // namespace quillet::imaging
