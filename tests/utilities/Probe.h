// Where the process tests' probe program is.
#pragma once

#include <string>

namespace quillet::test {

// The probe program's path as the build made it; a Windows test sees the
// build machine's folders through Wine's Z: drive.
inline std::string ProbeBuildPath() {
  std::string p = QUILLET_PROCESS_PROBE;
#ifdef _WIN32
  if (!p.empty() && p[0] == '/') {
    for (auto& c : p)
      if (c == '/') c = '\\';
    p = "Z:" + p;
  }
#endif
  return p;
}

}  // namespace quillet::test
