// After PowerPoint saved a presentation as slide pictures, the BMP files in
// the image folder become JPEG ("17") or GIF ("16") files of the requested
// size; a "17" conversion also leaves a one-line log there.
#pragma once

#include <string>

#include "engine/formatlib/FormatCodes.h"
#include "imaging/ImageSettings.h"

namespace quillet {

// DestFile without its extension: C:\out\deck.jpg keeps its pictures in C:\out\deck.
std::string ImageFolderOf(const std::string& destFile);

// Each "*.bmp" of the image folder (that folder only, in search order) is
// written as a picture of the same name with Ext ".jpg" or ".gif" and then
// deleted. A file that cannot be read or converted raises; the files before
// it stay converted and deleted, the rest stay as they are.
void ConvertSlideBitmaps(const std::string& destFile, const TFormatCode& destFormat, const ImageSettings& settings);

// The log of a "17" conversion: <image folder>/<dest name>.log, holding only
// the line of this conversion (replaced at every conversion). A log that
// cannot be written is not an error of the conversion.
void WriteSlideLog(const std::string& srcFile, const std::string& destFile, const std::string& errorText);

}  // namespace quillet
