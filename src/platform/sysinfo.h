// Facts about the machine: where temporary files, the system's own libraries
// and the running program live, the version resource of an executable, and
// what kind of applications the converter drives here.
#pragma once

#include <cstdint>
#include <string>

namespace quillet::os {

// The temporary folder as the system names it, ending with a delimiter; empty
// when the system cannot say. Linux: $TMPDIR or /tmp.
std::string TempFolder();

// The system folder ending with a delimiter. Linux: "/usr/lib/".
std::string SystemFolder();

// The folder of the running program's executable, ending with a delimiter
// (GetModuleFileName of the process on Windows, /proc/self/exe on Linux);
// empty when the system cannot say.
std::string ExecutableFolder();

// Whether the applications the converter drives are programs of their own
// with windows on the desktop, started and waited for (Windows), rather than
// servers inside the caller's process that show no window (the stand-ins of
// the Linux build).
#if defined(_WIN32)
inline constexpr bool kApplicationsHaveWindows = true;
#else
inline constexpr bool kApplicationsHaveWindows = false;
#endif

struct FileVersion {
  uint16_t major = 0, minor = 0, release = 0, build = 0;
};

// Reads the file version from an executable's version resource. False for an
// empty path, a file without such a resource, or one that cannot be read. The
// Linux build has no version resources and always answers false.
bool ReadFileVersion(const std::string& path, FileVersion& version);

}  // namespace quillet::os
