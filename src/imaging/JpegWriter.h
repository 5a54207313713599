// Writing a picture as a baseline JPEG file through libjpeg.
#pragma once

#include <string>

#include "imaging/Bitmap.h"

namespace quillet::imaging {

// Compresses Image (not empty) into File with the given quality on libjpeg's
// scale, where values below 1 count as 1 and values above 100 as 100; the
// chroma is subsampled 2x2 as libjpeg does by default. Raises Error "Cannot
// create file <File>" or "Cannot write JPEG file <File>: <reason>"; no partial
// file is left behind.
void WriteJpegFile(const Bitmap& image, const std::string& file, int quality);

}  // namespace quillet::imaging
