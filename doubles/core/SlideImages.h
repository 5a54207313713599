// The pictures PowerPoint saves of a presentation's slides: one 24-bit BMP
// file per slide, each of one plain colour that tells the slides apart.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillet::doubles {

struct SlideColour {
  uint8_t red, green, blue;
};

// Slide N's colour: red 40·N, green 30 + 90·N, blue 255 − 20·N, each modulo 256.
SlideColour ColourOfSlide(int32_t n);

// Writes Folder/Slide1.bmp ... Slide<Count>.bmp, Width × Height pixels each;
// the slides listed in Bad get a few bytes that are not a bitmap instead.
// Raises Error when a file cannot be written.
void WriteSlideImages(const std::string& folder, int32_t count, int32_t width, int32_t height,
                      const std::vector<int32_t>& bad);

}  // namespace quillet::doubles
