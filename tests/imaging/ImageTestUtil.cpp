#include "ImageTestUtil.h"

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <gif_lib.h>
#include <jpeglib.h>

#include "TestSupport.h"

namespace quillet::test {

namespace {

void Put16(std::string& s, uint32_t v) {
  s += char(v & 0xFF);
  s += char((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

// Channel value 0..255 stored in the field of Mask, rounded to nearest.
uint32_t ToField(uint8_t c, uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const uint64_t max = mask >> shift;
  return uint32_t((c * max + 127) / 255) << shift;
}

}  // namespace

std::string EncodeBmp(const Image& image, const BmpLayout& l) {
  const bool core = l.header == BmpHeader::Core12;
  const uint32_t headerSize = core ? 12 : l.header == BmpHeader::Info40 ? 40 : l.header == BmpHeader::V4 ? 108 : 124;
  const bool indexed = l.bpp <= 8;
  uint32_t red = l.red, green = l.green, blue = l.blue;
  if (!l.bitfields) {
    if (l.bpp == 16) red = 0x7C00, green = 0x03E0, blue = 0x1F;
    if (l.bpp == 32) red = 0xFF0000, green = 0xFF00, blue = 0xFF;
  }
  const uint32_t masksAfter = l.bitfields && l.header == BmpHeader::Info40 ? 12 : 0;
  const uint32_t paletteBytes = indexed ? uint32_t(l.palette.size()) * (core ? 3 : 4) : 0;
  const uint32_t offset = 14 + headerSize + masksAfter + paletteBytes;
  const uint32_t stride = (uint32_t(image.width) * uint32_t(l.bpp) + 31) / 32 * 4;

  std::string s = "BM";
  Put32(s, offset + stride * uint32_t(image.height));
  Put32(s, 0);
  Put32(s, offset);
  Put32(s, headerSize);
  if (core) {
    Put16(s, uint32_t(image.width));
    Put16(s, uint32_t(image.height));
    Put16(s, 1);
    Put16(s, uint32_t(l.bpp));
  } else {
    Put32(s, uint32_t(image.width));
    Put32(s, uint32_t(l.topDown ? -image.height : image.height));
    Put16(s, 1);
    Put16(s, uint32_t(l.bpp));
    Put32(s, l.bitfields ? 3 : 0);
    Put32(s, stride * uint32_t(image.height));
    Put32(s, 2835);
    Put32(s, 2835);
    Put32(s, indexed ? uint32_t(l.palette.size()) : 0);
    Put32(s, 0);
    if (headerSize > 40 || masksAfter) {
      Put32(s, l.bitfields ? red : 0);
      Put32(s, l.bitfields ? green : 0);
      Put32(s, l.bitfields ? blue : 0);
    }
    s.resize(14 + headerSize + masksAfter, '\0');
  }
  for (const Rgb& c : l.palette) {
    if (!indexed) break;
    s += char(c.b);
    s += char(c.g);
    s += char(c.r);
    if (!core) s += '\0';
  }
  if (s.size() != offset) throw std::logic_error("EncodeBmp: layout mismatch");

  for (int row = 0; row < image.height; ++row) {
    // The core header has no top-down form.
    const int yy = l.topDown && !core ? row : image.height - 1 - row;
    std::string line(stride, '\0');
    for (int x = 0; x < image.width; ++x) {
      const Rgb& c = image.at(x, yy);
      if (indexed) {
        const auto it = std::find(l.palette.begin(), l.palette.end(), c);
        if (it == l.palette.end()) throw std::logic_error("EncodeBmp: colour not in palette");
        const unsigned index = unsigned(it - l.palette.begin());
        const unsigned perByte = 8 / unsigned(l.bpp);
        const unsigned shift = 8 - unsigned(l.bpp) * (unsigned(x) % perByte + 1);
        line[unsigned(x) / perByte] = char(uint8_t(line[unsigned(x) / perByte]) | index << shift);
      } else if (l.bpp == 24) {
        line[size_t(x) * 3] = char(c.b);
        line[size_t(x) * 3 + 1] = char(c.g);
        line[size_t(x) * 3 + 2] = char(c.r);
      } else {
        uint32_t v = ToField(c.r, red) | ToField(c.g, green) | ToField(c.b, blue);
        const uint32_t unused = ~(red | green | blue) & (l.bpp == 16 ? 0xFFFF : 0xFFFFFFFF);
        v |= 0xA5A5A5A5 & unused;  // junk in the bits no mask claims
        for (int i = 0; i < l.bpp / 8; ++i) line[size_t(x) * size_t(l.bpp / 8) + size_t(i)] = char(v >> (8 * i));
      }
    }
    s += line;
  }
  return s;
}

GifContents DecodeGif(const std::string& file) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(file.c_str(), &error);
  if (!gif) throw std::runtime_error("DGifOpenFileName failed: " + std::to_string(error));
  struct Closer {
    GifFileType* g;
    ~Closer() {
      int e;
      DGifCloseFile(g, &e);
    }
  } closer{gif};
  if (DGifSlurp(gif) != GIF_OK) throw std::runtime_error("DGifSlurp failed: " + std::to_string(gif->Error));
  if (gif->ImageCount != 1) throw std::runtime_error("expected one image");
  const SavedImage& img = gif->SavedImages[0];
  const ColorMapObject* map = img.ImageDesc.ColorMap ? img.ImageDesc.ColorMap : gif->SColorMap;
  if (!map) throw std::runtime_error("no colour table");
  if (img.ImageDesc.Left != 0 || img.ImageDesc.Top != 0 || img.ImageDesc.Width != gif->SWidth ||
      img.ImageDesc.Height != gif->SHeight || img.ImageDesc.Interlace)
    throw std::runtime_error("image does not cover the screen plainly");
  GifContents out;
  out.width = gif->SWidth;
  out.height = gif->SHeight;
  for (int i = 0; i < map->ColorCount; ++i)
    out.colorTable.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
  out.indexes.assign(img.RasterBits, img.RasterBits + size_t(out.width) * size_t(out.height));
  return out;
}

namespace {
struct JpegError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};
void JpegFail(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }

bool Decompress(jpeg_decompress_struct* cinfo, JpegError* err, const std::string* data, Image* out) {
  if (setjmp(err->jump)) return false;
  jpeg_create_decompress(cinfo);
  jpeg_mem_src(cinfo, reinterpret_cast<const unsigned char*>(data->data()), (unsigned long)data->size());
  jpeg_read_header(cinfo, TRUE);
  cinfo->out_color_space = JCS_RGB;
  jpeg_start_decompress(cinfo);
  *out = Image(int(cinfo->output_width), int(cinfo->output_height));
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(&out->at(0, int(cinfo->output_scanline)));
    jpeg_read_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_decompress(cinfo);
  return true;
}
}  // namespace

Image DecodeJpeg(const std::string& file) {
  static_assert(sizeof(Rgb) == 3);
  const std::string data = ReadFile(file);
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  JpegError err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = JpegFail;
  Image out;
  const bool ok = Decompress(&cinfo, &err, &data, &out);
  jpeg_destroy_decompress(&cinfo);
  if (!ok) throw std::runtime_error("not a readable JPEG: " + file);
  return out;
}

Difference Compare(const Image& a, const Image& b) {
  if (a.width != b.width || a.height != b.height) throw std::logic_error("Compare: sizes differ");
  Difference d;
  double sum = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    const Rgb &p = a.pixels[i], &q = b.pixels[i];
    for (const int diff : {p.r - q.r, p.g - q.g, p.b - q.b}) {
      d.max = std::max(d.max, std::abs(diff));
      sum += std::abs(diff);
    }
  }
  d.mean = a.pixels.empty() ? 0 : sum / double(a.pixels.size() * 3);
  return d;
}

imaging::Bitmap ToBitmap(const Image& image) {
  imaging::Bitmap bmp(image.width, image.height);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      uint8_t* p = bmp.Row(y) + 3 * x;
      const Rgb& c = image.at(x, y);
      p[0] = c.b, p[1] = c.g, p[2] = c.r;
    }
  return bmp;
}

Image ToImage(const imaging::Bitmap& bmp) {
  Image img(bmp.Width(), bmp.Height());
  for (int y = 0; y < bmp.Height(); ++y)
    for (int x = 0; x < bmp.Width(); ++x) {
      const uint8_t* p = bmp.Row(y) + 3 * x;
      img.at(x, y) = {p[2], p[1], p[0]};
    }
  return img;
}

Image TestPattern(int width, int height) {
  Image img(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      Rgb& c = img.at(x, y);
      c.r = uint8_t(x * 255 / std::max(1, width - 1));
      c.g = uint8_t(y * 255 / std::max(1, height - 1));
      const int wave = (x + 2 * y) / 2 % 512;  // a diagonal triangle wave
      c.b = uint8_t(wave < 256 ? wave : 511 - wave);
      // A dark box in the middle: hard edges.
      if (x > width / 3 && x < 2 * width / 3 && y > height / 3 && y < 2 * height / 3) c = {20, 20, 90};
    }
  return img;
}

}  // namespace quillet::test
