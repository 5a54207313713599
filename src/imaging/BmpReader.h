// Reading BMP files into a Bitmap.
//
// Accepted: the Windows header (40 bytes, and the 52, 56, 108 and 124 byte
// versions) and the old 12-byte core header; 1, 4 and 8 bits per pixel with a
// palette, 24 bits, 16 and 32 bits uncompressed or with bit-field masks; rows
// stored bottom-up (positive height) or top-down (negative height). Run-length
// compressed and embedded JPEG/PNG bitmaps are refused. Alpha is dropped, as a
// plain copy onto an opaque bitmap does. A palette index past the palette's end
// reads as black. A last row short of its padding bytes is accepted.
//
// A picture with a zero width or height loads as an empty Bitmap (the caller
// decides what an empty picture means); one beyond the size limits of
// Bitmap.h is refused before anything is allocated.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imaging/Bitmap.h"

namespace quillet::imaging {

// Raises Error "Cannot open file <File>", "<File> is not a BMP file",
// "BMP file <File> is truncated", "BMP file <File> is damaged: ...",
// "BMP file <File> is not supported: ..." or the size errors of Bitmap.h.
Bitmap LoadBmpFile(const std::string& file);

// The same for the bytes of a BMP file held in memory; Name stands for the
// file in the messages.
Bitmap DecodeBmp(std::span<const uint8_t> data, const std::string& name);

}  // namespace quillet::imaging
