// The folder driver: every file of a folder (optionally of its subtree) that
// matches a pattern goes through the single-file dispatcher, one at a time,
// and each file that fails adds one time-stamped line to the report.
#include "engine/FindFile/SearchFiles.h"
#include "engine/OfficeConvert.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "utilities/ConversionLines.h"
#include "utilities/Guarded.h"
#include "utilities/TextLines.h"

namespace quillet {

namespace {

constexpr const char* kSameFilePath = "Same File Path";

// The folder part of Src with its trailing delimiter, made absolute against
// the current folder when it is relative (or empty).
std::string SearchFolderOf(const std::string& src) {
  const std::string folder = path::ExtractFilePath(src);
  return path::IsAbsolute(folder) ? folder : path::JoinToCurrent(os::GetCurrentDir(), folder);
}

}  // namespace

void TOfficeConvertClass::ConvertFolderContents(const std::string& src, const std::string& dest,
                                                const std::string& destFormat, int32_t isSubFolder,
                                                const std::string& option, std::string& report) {
  TConvertBaseClass::ConvertFolderContents(src, dest, destFormat, isSubFolder, option, report);
  if (Dests().empty()) {
    std::string errorText;
    LoadWordSaveFormats(errorText);
    if (!errorText.empty()) {
      report = errorText;
      return;
    }
  }

  const std::string folder = SearchFolderOf(src);
  std::string mask = path::ExtractFileName(src);
  if (mask.empty()) mask = Sources().empty() ? "*.*" : "*" + path::ExtractFileExt(Sources().front().Pattern);
  const std::string format = destFormat.empty() ? Dests().front().Code : destFormat;
  std::string destExt;
  FindFormatExt(Dests(), format, destExt);
  // Only the lowest byte says whether subfolders count: 1 and -1 both do.
  const bool recurse = (isSubFolder & 0xFF) != 0;

  for (const std::string& file : SplitLines(SearchFiles(folder, recurse, mask))) {
    const std::string destFile = MakeDestPath(file, dest == kSameFilePath, dest, destExt);
    std::string errorText;
    // A failure the dispatcher lets escape is that file's error text; the run goes on.
    Guarded([&] { ConvertDocument(file, destFile, format, option, errorText); }, errorText);
    if (errorText.empty()) continue;
    if (!report.empty()) report += "\r\n";
    report += FailureLine(os::LocalTimeOfDay(), file, destFile, errorText);
  }
}

}  // namespace quillet
