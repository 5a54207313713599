#include "procedures/SlideImages.h"

#include "engine/FindFile/SearchFiles.h"
#include "engine/formatlib/FormatCodes.h"
#include "imaging/BitmapConvert.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "utilities/ConversionLines.h"
#include "utilities/Guarded.h"
#include "utilities/SysUtils.h"
#include "utilities/TextLines.h"

namespace quillet {

std::string ImageFolderOf(const std::string& destFile) { return path::ChangeFileExt(destFile, ""); }

void ConvertSlideBitmaps(const std::string& destFile, const TFormatCode& destFormat, const ImageSettings& settings) {
  const bool jpeg = destFormat == formats::kPowerPointJpeg;
  const std::string folder = path::IncludeTrailingDelimiter(ImageFolderOf(destFile));
  for (const std::string& bmp : SplitLines(SearchFiles(folder, false, "*.bmp"))) {
    if (jpeg) {
      ConvertBitmapToJpeg(bmp, path::ChangeFileExt(bmp, ".jpg"), settings.JpegWidth, settings.JpegHeight,
                          settings.JpegKeepAspect, settings.JpegQuality);
    } else {
      ConvertBitmapToGif(bmp, path::ChangeFileExt(bmp, ".gif"), settings.GifWidth, settings.GifHeight,
                         settings.GifKeepAspect);
    }
    os::DeleteFile(bmp);
  }
}

void WriteSlideLog(const std::string& srcFile, const std::string& destFile, const std::string& errorText) {
  const os::TimeOfDay now = os::LocalTimeOfDay();
  const std::string line =
      errorText.empty() ? SuccessLine(now, srcFile, destFile) : FailureLine(now, srcFile, destFile, errorText);
  const std::string log = path::IncludeTrailingDelimiter(ImageFolderOf(destFile)) +
                          path::ChangeFileExt(path::ExtractFileName(destFile), ".log");
  // The log only tells what happened; a folder or file that cannot be made
  // must not replace the conversion's own outcome.
  Ignoring([&] { SaveTextToFile(log, line); });
}

}  // namespace quillet
