#include "imaging/GifWriter.h"

#include <array>
#include <cstdio>
#include <memory>
#include <vector>

#include <gif_lib.h>

#include "imaging/OutputFile.h"
#include "platform/error.h"

namespace quillet::imaging {

namespace {

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error;
    EGifCloseFile(gif, &error);
  }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

struct MapFreer {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColorMapPtr = std::unique_ptr<ColorMapObject, MapFreer>;

int WriteToStream(GifFileType* gif, const GifByteType* data, int length) {
  return int(std::fwrite(data, 1, size_t(length), static_cast<std::FILE*>(gif->UserData)));
}

// Palette index of each 8-bit value's level, split by channel weight.
constexpr std::array<std::array<uint8_t, 256>, 3> MakeLevelTables() {
  std::array<std::array<uint8_t, 256>, 3> t{};
  for (int v = 0; v < 256; ++v) {
    t[0][size_t(v)] = uint8_t(36 * PaletteLevel(uint8_t(v)));
    t[1][size_t(v)] = uint8_t(6 * PaletteLevel(uint8_t(v)));
    t[2][size_t(v)] = PaletteLevel(uint8_t(v));
  }
  return t;
}
constexpr auto kLevel = MakeLevelTables();

}  // namespace

void WriteGifFile(const Bitmap& image, const std::string& file) {
  if (image.Empty()) throw Error("Cannot write an empty image to " + file);
  OutputFile out(file);
  const auto fail = [&](int error) {
    const char* text = GifErrorString(error);
    return Error("Cannot write GIF file " + file + ": " + (text ? text : "error " + std::to_string(error)));
  };

  ColorMapPtr palette(GifMakeMapObject(256, nullptr));
  if (!palette) throw fail(E_GIF_ERR_NOT_ENOUGH_MEM);
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) {
        GifColorType& c = palette->Colors[36 * r + 6 * g + b];
        c.Red = GifByteType(51 * r);
        c.Green = GifByteType(51 * g);
        c.Blue = GifByteType(51 * b);
      }

  int error = 0;
  GifPtr gif(EGifOpen(out.Stream(), WriteToStream, &error));
  if (!gif) throw fail(error);
  if (EGifPutScreenDesc(gif.get(), image.Width(), image.Height(), 8, 0, palette.get()) == GIF_ERROR ||
      EGifPutImageDesc(gif.get(), 0, 0, image.Width(), image.Height(), false, nullptr) == GIF_ERROR)
    throw fail(gif->Error);

  std::vector<GifByteType> line(size_t(image.Width()));
  for (int32_t y = 0; y < image.Height(); ++y) {
    const uint8_t* px = image.Row(y);  // blue, green, red
    for (auto& index : line) {
      index = GifByteType(kLevel[0][px[2]] + kLevel[1][px[1]] + kLevel[2][px[0]]);
      px += 3;
    }
    if (EGifPutLine(gif.get(), line.data(), image.Width()) == GIF_ERROR) throw fail(gif->Error);
  }
  if (EGifCloseFile(gif.release(), &error) == GIF_ERROR) throw fail(error);
  out.Commit();
}

}  // namespace quillet::imaging
