// Facts about the machine: where temporary files and the system's own
// libraries live, and the version resource of an executable.
#pragma once

#include <cstdint>
#include <string>

namespace quillet::os {

// The temporary folder as the system names it, ending with a delimiter; empty
// when the system cannot say. Linux: $TMPDIR or /tmp.
std::string TempFolder();

// The system folder ending with a delimiter. Linux: "/usr/lib/".
std::string SystemFolder();

struct FileVersion {
  uint16_t major = 0, minor = 0, release = 0, build = 0;
};

// Reads the file version from an executable's version resource. False for an
// empty path, a file without such a resource, or one that cannot be read. The
// Linux build has no version resources and always answers false.
bool ReadFileVersion(const std::string& path, FileVersion& version);

}  // namespace quillet::os
