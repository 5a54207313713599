// Files and folders: the part of the OS layer the engine uses to look at and
// change the disk. Paths are byte strings in the ANSI code page (UTF-8 on Linux).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillet::os {

// File attribute bits, as the directory listing reports them.
enum FileAttr : uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSysFile = 0x04,
  kAttrVolumeId = 0x08,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrAnyFile = 0x3F,
  // Not a listing filter: marks a symbolic link, junction or other reparse
  // point, so that tree walks can refuse to follow it into a loop.
  kAttrLink = 0x400,
};

struct DirEntry {
  std::string name;   // name only, no folder
  uint32_t attr = 0;  // FileAttr bits
  uint64_t size = 0;
};

// True when Path names an existing file (a folder does not count).
bool FileExists(const std::string& path);
// True when Path names an existing folder.
bool DirectoryExists(const std::string& path);

// Which file a path names, independent of how it is spelled: the device (or
// volume) and the file's number on it. Two paths whose identities are equal
// name one file: the same path spelled twice, in other letter case on a
// file system that ignores case, or through a link. Valid is false when the
// path names nothing.
struct FileIdentity {
  bool valid = false;
  uint64_t device = 0;
  uint64_t file = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
FileIdentity IdentityOf(const std::string& path);
// True when both paths name one existing file.
inline bool SameFile(const std::string& a, const std::string& b) {
  const FileIdentity x = IdentityOf(a);
  return x.valid && x == IdentityOf(b);
}

// Creates Dir with every missing parent. Raises Error with the system's message
// when a folder cannot be created. An empty Dir raises too; a bare drive or root
// counts as existing.
void ForceDirectories(const std::string& dir);

std::string GetCurrentDir();
bool SetCurrentDir(const std::string& dir);
bool RemoveDir(const std::string& dir);
bool DeleteFile(const std::string& path);
// Sets the attribute bits of a file or folder; 0 makes it a normal, writable entry.
bool SetFileAttributes(const std::string& path, uint32_t attr);

// Lists the entries that match Pattern (a folder, a delimiter and a wildcard
// name with * and ?, ? standing for one character, compared without regard to
// letter case; "*.*" matches every name). Normal and read-only entries are always listed; hidden, system, folder
// and volume entries only when their bit is in AttrMask. "." and ".." come back
// like the system lists them. An unreadable folder lists nothing.
std::vector<DirEntry> ListDirectory(const std::string& pattern, uint32_t attrMask);

// Wildcard test used by ListDirectory, exposed for the tests.
bool MatchesWildcard(const std::string& name, const std::string& pattern);

// The calling thread's last system error code and its message text.
uint32_t LastErrorCode();
std::string SysErrorMessage(uint32_t code);

}  // namespace quillet::os
