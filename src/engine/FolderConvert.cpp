// The folder driver: every file of a folder (optionally of its subtree) that
// matches a pattern goes through the single-file dispatcher, one at a time,
// and each file that fails adds one time-stamped line to the report.
#include <cstdint>
#include <map>
#include <utility>

#include "engine/FindFile/SearchFiles.h"
#include "engine/options/Request.h"
#include "engine/formatlib/KnownSaveFormats.h"
#include "engine/OfficeConvert.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/utf8.h"
#include "utilities/ConversionLines.h"
#include "platform/status.h"
#include "utilities/Messages.h"

namespace quillet {

namespace {

constexpr const char* kSameFilePath = "Same File Path";

// The folder part of Src with its trailing delimiter, made absolute against
// the current folder when it is relative (or empty).
std::string SearchFolderOf(const std::string& src) {
  const std::string folder = path::ExtractFilePath(src);
  return path::IsAbsolute(folder) ? folder : path::JoinToCurrent(os::GetCurrentDir(), folder);
}

// A path for one line of the report: its line breaks written as \r and \n,
// and the bytes of a name that is not UTF-8 (on Linux) as \xNN, so that the
// report stays text that its reader can take in.
std::string ReportedPath(const std::string& path) {
  std::string out;
  for (char c : utf8::IsLibraryText(path) ? path : utf8::EscapeInvalid(path)) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

}  // namespace

void TOfficeConvertClass::ConvertFolderContents(const std::string& src, const std::string& dest,
                                                const std::string& destFormat, int32_t isSubFolder,
                                                const std::string& option, std::string& report) {
  (void)ConvertFolder(src, dest, destFormat, isSubFolder, option, report);
}

Status TOfficeConvertClass::ConvertFolder(const std::string& src, const std::string& dest,
                                          const std::string& destFormat, int32_t isSubFolder, const std::string& option,
                                          std::string& report) {
  TConvertBaseClass::ConvertFolderContents(src, dest, destFormat, isSubFolder, option, report);
  if (Dests().empty()) {
    const Status built = LoadWordSaveFormats(applications_, Tables());
    if (!built) {
      report = built.message();
      return built;
    }
  }

  const std::string folder = SearchFolderOf(src);
  std::string mask = path::ExtractFileName(src);
  if (mask.empty()) mask = Sources().empty() ? "*.*" : "*" + path::ExtractFileExt(Sources().front().Pattern);
  const std::string format = destFormat.empty() ? Dests().front().Code : destFormat;
  // The keywords are read once for every file of the run.
  const TOptions options = TOptions::Parse(option);
  // Every result is named with its extension: the table's, else the one the
  // code is known by. A code that nothing names ends the run before any file
  // is converted (no result is ever written without its extension).
  std::string destExt;
  if (HasFormat(Dests(), format)) {
    FindFormatExt(Dests(), format, destExt);
  } else {
    destExt = KnownSaveFormatExt(options.Application, format);
    if (destExt.empty()) {
      report = texts::UnknownFormat(format);
      return Status(ErrorCode::UnsupportedFormat, report);
    }
  }
  Status last;
  // Only the lowest byte says whether subfolders count: 1 and -1 both do.
  const bool recurse = (isSubFolder & 0xFF) != 0;

  // The files this run wrote, by the identity of their results, with the
  // source each came from: results of two sources that land on one path
  // (the same name in two subfolders) must not replace each other.
  std::map<std::pair<uint64_t, uint64_t>, std::string> written;
  for (const std::string& file : SearchFileList(folder, recurse, mask)) {
    const std::string destFile = MakeDestPath(file, dest == kSameFilePath, dest, destExt);
    Status outcome;
    const os::FileIdentity before = os::IdentityOf(destFile);
    const auto earlier = before.valid ? written.find({before.device, before.file}) : written.end();
    if (file.find_first_of("\r\n") != std::string::npos) {
      // Its report line would break into lines that read as other files.
      outcome = Status(ErrorCode::InvalidRequest, texts::kNameHoldsLineBreak);
    } else if (earlier != written.end()) {
      outcome = Status(ErrorCode::InvalidRequest,
                       "\"" + destFile + "\" was written from \"" + earlier->second + "\" in this run");
    } else {
      // A failure the dispatcher lets escape is that file's error text; the run goes on.
      const Status ran = Capture([&] { outcome = Convert({file, destFile, TFormatCode(format), options}); });
      if (!ran.ok()) outcome = ran;
      if (outcome.ok()) {
        if (const os::FileIdentity result = os::IdentityOf(destFile); result.valid)
          written.emplace(std::pair{result.device, result.file}, file);
        continue;
      }
    }
    last = outcome;
    if (!report.empty()) report += "\r\n";
    report += FailureLine(os::LocalTimeOfDay(), ReportedPath(file), ReportedPath(destFile), outcome.message());
  }
  return last;
}

}  // namespace quillet
