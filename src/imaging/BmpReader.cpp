#include "imaging/BmpReader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/error.h"
#include "platform/file.h"

namespace quillet::imaging {

namespace {

// The file header (14), the largest info header (124), the masks that may
// follow a 40-byte header (16) and the largest palette (256 entries of 4 bytes):
// everything before the pixels that the reader ever looks at.
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kMaxPrefix = kFileHeaderSize + 124 + 16 + 256 * 4;

// Compression codes of the info header.
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiJpeg = 4, kBiPng = 5,
                   kBiAlphaBitfields = 6;

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// One colour channel of a 16- or 32-bit pixel given by a bit mask, scaled to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;  // largest value of the field; 0 when the mask is empty

  uint8_t Value(uint32_t pixel) const {
    if (max == 0) return 0;
    return uint8_t((uint64_t((pixel & mask) >> shift) * 255 + max / 2) / max);
  }
};

enum class Kind { Indexed, Bgr24, Masked16, Masked32 };

struct Layout {
  int32_t width = 0;
  int32_t height = 0;
  bool topDown = false;
  unsigned bpp = 0;
  Kind kind = Kind::Bgr24;
  Channel red, green, blue;
  // Palette as blue, green, red triples; entries past the file's palette are black.
  std::array<uint8_t, 256 * 3> palette{};
  uint64_t pixelOffset = 0;
  uint64_t stride = 0;    // bytes from one stored row to the next
  uint64_t rowBytes = 0;  // bytes of one row without its padding
};

class Parser {
 public:
  Parser(std::span<const uint8_t> prefix, uint64_t fileSize, const std::string& name)
      : p_(prefix), fileSize_(fileSize), name_(name) {}

  Layout Parse();

 private:
  [[noreturn]] void NotBmp() const { throw Error(name_ + " is not a BMP file"); }
  [[noreturn]] void Truncated() const { throw Error("BMP file " + name_ + " is truncated"); }
  [[noreturn]] void Damaged(const std::string& why) const { throw Error("BMP file " + name_ + " is damaged: " + why); }
  [[noreturn]] void Unsupported(const std::string& why) const {
    throw Error("BMP file " + name_ + " is not supported: " + why);
  }
  void Need(uint64_t end) const {
    if (end > fileSize_) Truncated();
  }
  Channel MaskChannel(uint32_t mask, unsigned bpp) const;

  std::span<const uint8_t> p_;
  uint64_t fileSize_;
  const std::string& name_;
};

Channel Parser::MaskChannel(uint32_t mask, unsigned bpp) const {
  Channel c;
  if (mask == 0) return c;
  if (bpp < 32 && (mask >> bpp) != 0) Damaged("a colour mask lies outside the pixel");
  c.mask = mask;
  c.shift = std::countr_zero(mask);
  const uint32_t field = mask >> c.shift;
  if ((field & (field + 1)) != 0) Damaged("a colour mask has gaps");
  c.max = field;
  return c;
}

Layout Parser::Parse() {
  if (fileSize_ < 2 || p_[0] != 'B' || p_[1] != 'M') NotBmp();
  Need(kFileHeaderSize + 4);
  const uint32_t infoSize = U32(&p_[kFileHeaderSize]);
  const bool core = infoSize == 12;
  if (!core && infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 108 && infoSize != 124)
    Unsupported("unknown header of " + std::to_string(infoSize) + " bytes");
  Need(kFileHeaderSize + infoSize);
  const uint8_t* h = &p_[kFileHeaderSize];

  Layout l;
  int64_t width, height;
  uint32_t compression = kBiRgb, colorsUsed = 0;
  if (core) {
    width = U16(h + 4);
    height = U16(h + 6);
    l.bpp = U16(h + 10);
  } else {
    width = int32_t(U32(h + 4));
    height = int32_t(U32(h + 8));
    l.bpp = U16(h + 14);
    compression = U32(h + 16);
    colorsUsed = U32(h + 32);
  }
  if (width < 0) Damaged("negative width");
  if (height < 0) {
    l.topDown = true;
    height = -height;  // 64-bit: the most negative 32-bit height cannot overflow
  }
  CheckImageSize(width, height);
  l.width = int32_t(width);
  l.height = int32_t(height);

  // What the pixels are, from depth and compression.
  if (compression == kBiRle8 || compression == kBiRle4) Unsupported("run-length compression");
  if (compression == kBiJpeg || compression == kBiPng) Unsupported("embedded JPEG or PNG data");
  if (compression != kBiRgb && compression != kBiBitfields && compression != kBiAlphaBitfields)
    Unsupported("compression " + std::to_string(compression));
  const bool masked = compression != kBiRgb;
  switch (l.bpp) {
    case 1:
    case 4:
    case 8:
      l.kind = Kind::Indexed;
      break;
    case 24:
      l.kind = Kind::Bgr24;
      break;
    case 16:
      l.kind = Kind::Masked16;
      break;
    case 32:
      l.kind = Kind::Masked32;
      break;
    default:
      Unsupported(std::to_string(l.bpp) + " bits per pixel");
  }
  if (core && (l.kind == Kind::Masked16 || l.kind == Kind::Masked32))
    Unsupported(std::to_string(l.bpp) + " bits per pixel with a core header");
  if (masked && l.kind != Kind::Masked16 && l.kind != Kind::Masked32)
    Unsupported("bit-field masks with " + std::to_string(l.bpp) + " bits per pixel");

  // Masks sit right after the 40-byte header, or inside the larger headers, at
  // the same place either way.
  uint64_t headerEnd = kFileHeaderSize + infoSize;
  if (masked) {
    if (infoSize == 40) headerEnd += compression == kBiAlphaBitfields ? 16 : 12;
    Need(kFileHeaderSize + 40 + 12);
    l.red = MaskChannel(U32(h + 40), l.bpp);
    l.green = MaskChannel(U32(h + 44), l.bpp);
    l.blue = MaskChannel(U32(h + 48), l.bpp);
  } else if (l.kind == Kind::Masked16) {
    l.red = MaskChannel(0x7C00, 16);
    l.green = MaskChannel(0x03E0, 16);
    l.blue = MaskChannel(0x001F, 16);
  } else if (l.kind == Kind::Masked32) {
    l.red = MaskChannel(0xFF0000, 32);
    l.green = MaskChannel(0x00FF00, 32);
    l.blue = MaskChannel(0x0000FF, 32);
  }

  l.pixelOffset = U32(&p_[10]);
  if (l.pixelOffset < headerEnd) Damaged("the pixel data overlaps the header");

  if (l.kind == Kind::Indexed) {
    const uint64_t entrySize = core ? 3 : 4;
    uint64_t count = 1u << l.bpp;
    if (colorsUsed != 0 && colorsUsed < count) count = colorsUsed;
    // Some writers leave less room than they declare: take what fits before the pixels.
    count = std::min(count, (l.pixelOffset - headerEnd) / entrySize);
    Need(headerEnd + count * entrySize);
    const uint8_t* e = &p_[headerEnd];
    for (uint64_t i = 0; i < count; ++i, e += entrySize) std::memcpy(&l.palette[i * 3], e, 3);
  }

  l.rowBytes = (uint64_t(l.width) * l.bpp + 7) / 8;
  l.stride = (uint64_t(l.width) * l.bpp + 31) / 32 * 4;
  if (l.width > 0 && l.height > 0) Need(l.pixelOffset + l.stride * (uint64_t(l.height) - 1) + l.rowBytes);
  return l;
}

// One stored row into blue, green, red triples.
void ConvertRow(const Layout& l, const uint8_t* src, uint8_t* dst) {
  const int32_t w = l.width;
  switch (l.kind) {
    case Kind::Bgr24:
      std::memcpy(dst, src, size_t(w) * 3);
      break;
    case Kind::Indexed: {
      const unsigned bpp = l.bpp;
      const unsigned perByte = 8 / bpp;
      const unsigned valueMask = (1u << bpp) - 1;
      for (int32_t x = 0; x < w; ++x) {
        const unsigned shift = 8 - bpp * (unsigned(x) % perByte + 1);
        const unsigned index = (src[unsigned(x) / perByte] >> shift) & valueMask;
        std::memcpy(dst + size_t(x) * 3, &l.palette[index * 3], 3);
      }
      break;
    }
    case Kind::Masked16:
      for (int32_t x = 0; x < w; ++x, src += 2, dst += 3) {
        const uint32_t px = U16(src);
        dst[0] = l.blue.Value(px);
        dst[1] = l.green.Value(px);
        dst[2] = l.red.Value(px);
      }
      break;
    case Kind::Masked32:
      if (l.red.mask == 0xFF0000 && l.green.mask == 0xFF00 && l.blue.mask == 0xFF) {
        for (int32_t x = 0; x < w; ++x, src += 4, dst += 3) std::memcpy(dst, src, 3);
      } else {
        for (int32_t x = 0; x < w; ++x, src += 4, dst += 3) {
          const uint32_t px = U32(src);
          dst[0] = l.blue.Value(px);
          dst[1] = l.green.Value(px);
          dst[2] = l.red.Value(px);
        }
      }
      break;
  }
}

// Fills a picture from the stored rows; ReadRow(i, n) gives the first n bytes
// of stored row i, asked for in order from the first stored row on.
template <class ReadRow>
Bitmap DecodePixels(const Layout& l, ReadRow&& readRow) {
  Bitmap bmp(l.width, l.height);
  if (bmp.Empty()) return bmp;
  for (int32_t i = 0; i < l.height; ++i) {
    const bool last = i == l.height - 1;
    const uint8_t* src = readRow(i, last ? l.rowBytes : l.stride);
    ConvertRow(l, src, bmp.Row(l.topDown ? i : l.height - 1 - i));
  }
  return bmp;
}

}  // namespace

Bitmap DecodeBmp(std::span<const uint8_t> data, const std::string& name) {
  const Layout l = Parser(data.first(std::min(data.size(), kMaxPrefix)), data.size(), name).Parse();
  return DecodePixels(l, [&](int32_t i, uint64_t) { return data.data() + l.pixelOffset + uint64_t(i) * l.stride; });
}

Bitmap LoadBmpFile(const std::string& file) {
  os::UniqueFile f(os::OpenRegularFile(file, "rb"));
  if (!f) throw Error("Cannot open file " + file);
  const auto readError = [&]() { return Error("Cannot read file " + file); };
  if (!os::Seek64(f.get(), 0, SEEK_END)) throw readError();
  const int64_t size = os::Tell64(f.get());
  if (size < 0 || !os::Seek64(f.get(), 0, SEEK_SET)) throw readError();

  std::array<uint8_t, kMaxPrefix> prefix;
  const size_t prefixSize = std::fread(prefix.data(), 1, std::min<uint64_t>(prefix.size(), uint64_t(size)), f.get());
  if (prefixSize != std::min<uint64_t>(prefix.size(), uint64_t(size))) throw readError();
  const Layout l = Parser(std::span(prefix.data(), prefixSize), uint64_t(size), file).Parse();

  if (l.width == 0 || l.height == 0) return Bitmap(l.width, l.height);
  if (!os::Seek64(f.get(), l.pixelOffset, SEEK_SET)) throw readError();
  std::vector<uint8_t> row(l.stride);
  return DecodePixels(l, [&](int32_t, uint64_t n) {
    // The size was checked against the header; a shorter read means the file
    // changed under us or the disk failed.
    if (std::fread(row.data(), 1, n, f.get()) != n)
      throw std::ferror(f.get()) ? readError() : Error("BMP file " + file + " is truncated");
    return row.data();
  });
}

}  // namespace quillet::imaging
