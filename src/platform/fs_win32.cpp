#include <windows.h>

#include <io.h>
// <windows.h> maps these names to their ANSI or wide entry points; left in
// place, the definitions below would be made as os::DeleteFileA and
// os::SetFileAttributesA and callers of the seam would not link.
#undef DeleteFile
#undef SetFileAttributes

#include "platform/error.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/win32_handle.h"

#include <vector>

namespace quillet::os {

namespace {
bool Remember(BOOL ok) { return ok != FALSE; }  // GetLastError keeps the code itself
}  // namespace

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  const DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

FileIdentity IdentityOf(const std::string& path) {
  if (path.empty()) return {};
  // Opened for no access at all, sharing everything: the file's identity can
  // be read even while another program holds it open exclusively.
  const UniqueHandle h{::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
  if (!IsValid(h)) return {};
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(h.get(), &info)) return {};
  return {true, info.dwVolumeSerialNumber, (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

bool DirectoryExists(const std::string& path) {
  if (path.empty()) return false;
  const DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void ForceDirectories(const std::string& dir) {
  if (dir.empty()) throw Error("Unable to create directory", ErrorCode::FileSystem);
  std::string d = dir;
  if (path::EndsWithDelimiter(d) && d.size() > 1 && !path::IsDelimiter(d[d.size() - 2])) d.pop_back();
  if (d.size() >= MAX_PATH)
    throw Error("Cannot create the folder " + path::Abbreviated(d, 200) + ": the path is longer than " +
                    std::to_string(MAX_PATH - 1) + " characters",
                ErrorCode::FileSystem);
  // A bare drive ("C:" or "C:\") and an existing folder need nothing.
  auto present = [](const std::string& f) {
    return (f.size() <= 3 && f.find(':') != std::string::npos) || DirectoryExists(f);
  };
  // Up to the nearest folder that exists, then down again creating each one.
  std::vector<size_t> missing;  // lengths of the missing prefixes, deepest first
  for (std::string prefix = d; !prefix.empty() && !present(prefix);) {
    missing.push_back(prefix.size());
    std::string parent = path::ExtractFileDir(prefix);
    if (parent.size() >= prefix.size()) break;
    prefix = std::move(parent);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    const std::string folder = d.substr(0, *it);
    if (!::CreateDirectoryA(folder.c_str(), nullptr)) {
      const DWORD code = ::GetLastError();
      // "Already exists" is fine only when a folder (made meanwhile) is what exists.
      if (!(code == ERROR_ALREADY_EXISTS && DirectoryExists(folder)))
        throw Error(SysErrorMessage(code), ErrorCode::FileSystem);
    }
  }
}

std::string GetCurrentDir() {
  char buf[MAX_PATH * 4];
  const DWORD n = ::GetCurrentDirectoryA(sizeof buf, buf);
  return n && n < sizeof buf ? std::string(buf, n) : std::string();
}

bool SetCurrentDir(const std::string& dir) { return Remember(::SetCurrentDirectoryA(dir.c_str())); }
bool RemoveDir(const std::string& dir) { return Remember(::RemoveDirectoryA(dir.c_str())); }
bool DeleteFile(const std::string& path) { return Remember(::DeleteFileA(path.c_str())); }
bool SetFileAttributes(const std::string& path, uint32_t attr) {
  return Remember(::SetFileAttributesA(path.c_str(), attr ? attr : FILE_ATTRIBUTE_NORMAL));
}

std::vector<DirEntry> ListDirectory(const std::string& pattern, uint32_t attrMask) {
  std::vector<DirEntry> entries;
  WIN32_FIND_DATAA data;
  const UniqueAny<HANDLE, &::FindClose, -1> h(::FindFirstFileA(pattern.c_str(), &data));
  if (!h) return entries;
  const uint32_t excluded = ~attrMask & (kAttrHidden | kAttrSysFile | kAttrDirectory | kAttrVolumeId);
  do {
    if (data.dwFileAttributes & excluded) continue;
    const uint32_t attr = (data.dwFileAttributes & kAttrAnyFile) |
                          (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT ? uint32_t{kAttrLink} : 0u);
    entries.push_back({data.cFileName, attr, (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow});
  } while (::FindNextFileA(h.get(), &data));
  return entries;
}

uint32_t LastErrorCode() { return ::GetLastError(); }

std::string SysErrorMessage(uint32_t code) {
  UniqueAny<char*, &::LocalFree> text;
  const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                   nullptr, code, 0, reinterpret_cast<char*>(text.put()), 0, nullptr);
  std::string result(text ? text.get() : "", text ? n : 0);
  // The system ends its messages with a line break and often a full stop.
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' ')) result.pop_back();
  return result;
}

bool Seek64(std::FILE* f, uint64_t offset, int whence) { return _fseeki64(f, int64_t(offset), whence) == 0; }

int64_t Tell64(std::FILE* f) { return _ftelli64(f); }

std::FILE* OpenRegularFile(const std::string& path, const char* mode) {
  // Device names (CON, NUL, COM1 ...) and pipes open like files: only what
  // the system reports as a disk file is taken.
  const DWORD attr = ::GetFileAttributesA(path.c_str());
  if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  std::FILE* f = std::fopen(path.c_str(), mode);
  if (!f) return nullptr;
  if (::GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)))) != FILE_TYPE_DISK) {
    std::fclose(f);
    ::SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  return f;
}

}  // namespace quillet::os
