#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/error.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/path.h"

#include <vector>

namespace quillet::os {

namespace {
thread_local uint32_t g_lastError = 0;

// The longest path the system takes, with its terminator (PATH_MAX).
constexpr size_t kMaxPathBytes = 4096;

bool Remember(bool ok) {
  if (!ok) g_lastError = static_cast<uint32_t>(errno);
  return ok;
}

uint32_t AttributesOf(const std::string& name, const struct stat& st) {
  uint32_t attr = 0;
  if (S_ISDIR(st.st_mode)) attr |= kAttrDirectory;
  if (!(st.st_mode & S_IWUSR)) attr |= kAttrReadOnly;
  // Dot files are the Unix idea of a hidden entry; "." and ".." are not hidden.
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") attr |= kAttrHidden;
  if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) attr |= kAttrSysFile;
  if (!S_ISDIR(st.st_mode)) attr |= kAttrArchive;
  return attr;
}
}  // namespace

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

FileIdentity IdentityOf(const std::string& path) {
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return {};
  return {true, static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void ForceDirectories(const std::string& dir) {
  if (dir.empty()) throw Error("Unable to create directory", ErrorCode::FileSystem);
  std::string d = dir;
  while (d.size() > 1 && d.back() == '/') d.pop_back();
  if (d.size() >= kMaxPathBytes)
    throw Error("Cannot create the folder " + path::Abbreviated(d, 200) + ": the path is longer than " +
                    std::to_string(kMaxPathBytes - 1) + " bytes",
                ErrorCode::FileSystem);
  // Up to the nearest folder that exists, then down again creating each one:
  // a loop, not a recursion, so that the depth of a path costs no stack.
  std::vector<size_t> missing;  // lengths of the missing prefixes, deepest first
  for (std::string prefix = d; !prefix.empty() && !DirectoryExists(prefix);) {
    missing.push_back(prefix.size());
    std::string parent = path::ExtractFileDir(prefix);
    if (parent.size() >= prefix.size()) break;
    prefix = std::move(parent);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    const std::string folder = d.substr(0, *it);
    // EEXIST is fine only when a folder (made meanwhile) is what exists.
    if (::mkdir(folder.c_str(), 0777) != 0 && !(errno == EEXIST && DirectoryExists(folder))) {
      g_lastError = static_cast<uint32_t>(errno);
      throw Error(SysErrorMessage(g_lastError), ErrorCode::FileSystem);
    }
  }
}

std::string GetCurrentDir() {
  std::string buf(4096, '\0');
  if (!::getcwd(buf.data(), buf.size())) return {};
  buf.resize(::strlen(buf.c_str()));
  return buf;
}

bool SetCurrentDir(const std::string& dir) { return Remember(::chdir(dir.c_str()) == 0); }
bool RemoveDir(const std::string& dir) { return Remember(::rmdir(dir.c_str()) == 0); }
bool DeleteFile(const std::string& path) { return Remember(::unlink(path.c_str()) == 0); }

bool SetFileAttributes(const std::string& path, uint32_t attr) {
  struct stat st;
  if (!Remember(::stat(path.c_str(), &st) == 0)) return false;
  mode_t mode = st.st_mode & 07777;
  if (attr & kAttrReadOnly)
    mode &= ~(S_IWUSR | S_IWGRP | S_IWOTH);
  else
    mode |= S_IWUSR;
  return Remember(::chmod(path.c_str(), mode) == 0);
}

std::vector<DirEntry> ListDirectory(const std::string& pattern, uint32_t attrMask) {
  std::vector<DirEntry> entries;
  const std::string folder = path::ExtractFilePath(pattern);
  const std::string mask = path::ExtractFileName(pattern);
  const UniqueAny<DIR*, &::closedir> dir(::opendir(folder.empty() ? "." : folder.c_str()));
  if (!dir) return entries;
  const uint32_t excluded = ~attrMask & (kAttrHidden | kAttrSysFile | kAttrDirectory | kAttrVolumeId);
  while (dirent* e = ::readdir(dir.get())) {
    std::string name = e->d_name;
    if (!MatchesWildcard(name, mask)) continue;
    struct stat st;
    if (::lstat((folder + name).c_str(), &st) != 0) continue;
    bool link = false;
    if (S_ISLNK(st.st_mode)) {
      link = true;
      // A link describes its target; a dangling one still lists as itself.
      struct stat target;
      if (::stat((folder + name).c_str(), &target) == 0) st = target;
    }
    DirEntry entry{name, AttributesOf(name, st), S_ISDIR(st.st_mode) ? 0u : static_cast<uint64_t>(st.st_size)};
    if (link) entry.attr |= kAttrLink;
    if (entry.attr & excluded) continue;
    entries.push_back(std::move(entry));
  }
  return entries;
}

uint32_t LastErrorCode() { return g_lastError; }

std::string SysErrorMessage(uint32_t code) {
  char buf[256];
  // GNU strerror_r may return a static string rather than fill the buffer.
  const char* text = ::strerror_r(static_cast<int>(code), buf, sizeof buf);
  return text ? text : "";
}

bool Seek64(std::FILE* f, uint64_t offset, int whence) { return ::fseeko(f, off_t(offset), whence) == 0; }

int64_t Tell64(std::FILE* f) { return ::ftello(f); }

std::FILE* OpenRegularFile(const std::string& path, const char* mode) {
  int flags = O_NOCTTY | O_CLOEXEC | O_NONBLOCK;
  switch (mode[0]) {
    case 'r':
      flags |= O_RDONLY;
      break;
    case 'w':
      flags |= O_WRONLY | O_CREAT | O_TRUNC;
      break;
    case 'a':
      flags |= O_WRONLY | O_CREAT | O_APPEND;
      break;
    default:
      g_lastError = EINVAL;
      return nullptr;
  }
  // Non-blocking, so that a FIFO without its other end does not hold the
  // open; only a regular file is then taken, and read or written normally.
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) {
    g_lastError = static_cast<uint32_t>(errno);
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    g_lastError = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    return nullptr;
  }
  std::FILE* f = ::fdopen(fd, mode);
  if (!f) {
    g_lastError = static_cast<uint32_t>(errno);
    ::close(fd);
  }
  return f;
}

}  // namespace quillet::os
