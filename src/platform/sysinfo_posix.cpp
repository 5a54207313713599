#include <cstdlib>

#include "platform/path.h"
#include "platform/sysinfo.h"

namespace quillet::os {

std::string TempFolder() {
  const char* dir = std::getenv("TMPDIR");
  return path::IncludeTrailingDelimiter(dir && *dir ? dir : "/tmp");
}

// The nearest thing to the Windows system folder: where shared libraries live.
std::string SystemFolder() { return "/usr/lib/"; }

// Linux executables carry no version resource.
bool ReadFileVersion(const std::string& /*path*/, FileVersion& /*version*/) { return false; }

}  // namespace quillet::os
