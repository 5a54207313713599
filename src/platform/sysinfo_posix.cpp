#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/path.h"
#include "platform/sysinfo.h"

namespace quillet::os {

std::string TempFolder() {
  const char* dir = std::getenv("TMPDIR");
  return path::IncludeTrailingDelimiter(dir && *dir ? dir : "/tmp");
}

// The nearest thing to the Windows system folder: where shared libraries live.
std::string SystemFolder() { return "/usr/lib/"; }

std::string ExecutableFolder() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0) return {};
    if (static_cast<size_t>(n) < buffer.size()) return path::ExtractFilePath(std::string(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
}

// Linux executables carry no version resource.
bool ReadFileVersion(const std::string& /*path*/, FileVersion& /*version*/) { return false; }

}  // namespace quillet::os
