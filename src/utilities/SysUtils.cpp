#include "utilities/SysUtils.h"

#include <cstdio>
#include <memory>

#include "platform/error.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/msgbox.h"
#include "platform/path.h"
#include "platform/printer.h"
#include "platform/process.h"
#include "platform/sysinfo.h"
#include "utilities/Strings.h"

namespace quillet {

namespace {

constexpr const char* kDigits = "0123456789";

// Every line break (CR LF, LF or CR) becomes CR LF, and a last line without a
// break gets one. Unlike loading, a NUL byte is kept: the text is written whole.
std::string WithCrLfLines(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      out += "\r\n";
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += c;
    }
  }
  if (!text.empty() && text.back() != '\r' && text.back() != '\n') out += "\r\n";
  return out;
}

// Puts the remembered current folder back when the walk of one folder ends,
// whichever way it ends.
class CurrentDirRestorer {
 public:
  explicit CurrentDirRestorer(std::string dir) : dir_(std::move(dir)) {}
  ~CurrentDirRestorer() {
    if (!dir_.empty()) os::SetCurrentDir(dir_);
  }
  CurrentDirRestorer(const CurrentDirRestorer&) = delete;
  CurrentDirRestorer& operator=(const CurrentDirRestorer&) = delete;

 private:
  std::string dir_;
};

}  // namespace

int32_t ParseVersionNumber(const std::string& text) {
  // The appended blank ends a digit run that reaches the end of the text.
  const std::string t = text + ' ';
  const size_t first = t.find_first_of(kDigits);
  if (first == std::string::npos) return -1;
  const size_t end = t.find_first_not_of(kDigits, first);
  return StrToInt(t.substr(first, end - first));
}

bool SaveTextToFile(const std::string& fileName, const std::string& text) {
  // A bare file name has no folder part to create; it goes into the current folder.
  const std::string dir = path::ExtractFileDir(fileName);
  if (!dir.empty()) os::ForceDirectories(dir);
  const std::string content = WithCrLfLines(text);
  os::UniqueFile f(os::OpenRegularFile(fileName, "wb"));
  if (!f) return false;
  if (std::fwrite(content.data(), 1, content.size(), f.get()) != content.size()) return false;
  return os::Close(f);
}

bool GetFileVersionNumbers(const std::string& path, uint16_t& major, uint16_t& minor, uint16_t& release,
                           uint16_t& build) {
  os::FileVersion version;
  if (!os::ReadFileVersion(path, version)) return false;
  major = version.major;
  minor = version.minor;
  release = version.release;
  build = version.build;
  return true;
}

bool DeleteFolderTree(const std::string& folder) {
  if (!os::DirectoryExists(folder)) return false;
  const std::string cwd = os::GetCurrentDir();
  // A read-only folder can be neither emptied (Linux) nor removed (Windows).
  os::SetFileAttributes(folder, 0);
  if (!os::SetCurrentDir(folder))
    throw Error("Cannot enter folder " + folder + ": " + os::SysErrorMessage(os::LastErrorCode()),
                ErrorCode::FileSystem);
  CurrentDirRestorer restore(cwd);

  for (const auto& entry : os::ListDirectory("*.*", os::kAttrAnyFile)) {
    bool deleted;
    if (entry.attr & os::kAttrLink) {
      // A link goes by itself: following it would delete, or change the
      // attributes of, whatever it points at outside this tree. (A Windows
      // junction is a folder entry and goes with RemoveDir.)
      deleted = os::DeleteFile(entry.name) || ((entry.attr & os::kAttrDirectory) && os::RemoveDir(entry.name));
    } else {
      os::SetFileAttributes(entry.name, 0);
      if (!(entry.attr & os::kAttrDirectory))
        deleted = os::DeleteFile(entry.name);
      else if (entry.name[0] == '.')
        continue;  // "." and ".." (and any other dotted folder) are not walked into
      else
        deleted = DeleteFolderTree(entry.name);
    }
    if (!deleted) break;
  }

  os::SetCurrentDir("..");
  // Removed by its full name: a relative name of several parts ("a/b") means
  // something else once ".." has been entered.
  if (os::RemoveDir(path::IsAbsolute(folder) ? folder : path::JoinToCurrent(cwd, folder))) return true;
  os::ShowMessageBox(folder + os::SysErrorMessage(os::LastErrorCode()), "Error");
  return false;
}

int GetPrinterJobCount(const os::Printer& printer) {
  int jobs = 0;
  std::string message;
  if (os::QueryPrinterJobCount(printer, jobs, message)) return jobs;
  os::ShowMessageBox(message, "Error");
  return -1;
}

std::string GetTempFolder() { return os::TempFolder(); }

std::string GetSystemFolder() { return os::SystemFolder(); }

uint32_t RunProgram(const std::string& program, const std::string& params, int show) {
  return os::StartProgram(program, params, show);
}

bool RunProgramAndWait(const std::string& program, const std::string& params, int show) {
  return os::StartProgramAndWait(program, params, show);
}

std::string ExtractBetween(const std::string& text, const std::string& startMarker, const std::string& endMarker,
                           bool wholeIfMissing) {
  const size_t s = startMarker.empty() ? std::string::npos : text.find(startMarker);
  if (s == std::string::npos && wholeIfMissing) return text;
  const size_t begin = s == std::string::npos ? 0 : s + startMarker.size();
  // The end is looked for after the value's start: an end marker before the
  // start marker (an earlier line of an option text) does not end the value.
  const size_t e = endMarker.empty() ? std::string::npos : text.find(endMarker, begin);
  if (e == std::string::npos) {
    if (wholeIfMissing) return text;
    return s != std::string::npos ? text.substr(begin) : std::string();
  }
  return text.substr(begin, e - begin);
}

}  // namespace quillet
