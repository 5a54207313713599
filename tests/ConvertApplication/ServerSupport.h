// Helpers for the tests of quillet.dll as a COM server under Wine: the
// library's Windows path, registration with regsvr32, programs run with their
// output captured, and the registry as a client sees it.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>
#include <vector>

namespace quillet::test {

// The three identifiers of the type library (fixed: clients depend on them).
inline constexpr char kLibId[] = "{037197CA-DF56-471E-9592-7C4B2FC42E9D}";
inline constexpr char kIid[] = "{05A8A573-7A9C-4925-AC0A-552D296F0C86}";
inline constexpr char kClsid[] = "{F90BF261-8B5C-44DC-B271-ADE99CFDC367}";
inline constexpr char kProgId[] = "quillet.ConvertApplication";
// The platform the type library is built for, and the registry key its file
// is registered under: the build's word size.
#ifdef _WIN64
inline constexpr SYSKIND kSysKind = SYS_WIN64;
inline constexpr char kTypeLibPlatform[] = "win64";
#else
inline constexpr SYSKIND kSysKind = SYS_WIN32;
inline constexpr char kTypeLibPlatform[] = "win32";
#endif

GUID GuidOf(const char* text);

// A path of the build tree as Wine's programs see it (Z:\...).
std::string WindowsPath(const std::string& buildPath);
// The built quillet.dll as a Windows path.
std::string LibraryPath();

struct ProgramRun {
  bool finished = false;  // false: still running after the time limit, then ended
  DWORD exitCode = 0;
  std::string output;  // standard output and standard error
};
// Runs CommandLine with its output captured, waiting at most TimeoutMs.
ProgramRun RunProgram(const std::string& commandLine, DWORD timeoutMs = 120000);

// regsvr32 /s (with Unregister: /u /s) on the built library; its exit code.
DWORD Regsvr32(bool unregister);

// A value under HKEY_CLASSES_ROOT\Key (Name null: the default value).
std::optional<std::string> ClassesValue(const std::string& key, const char* name = nullptr);
bool ClassesKeyExists(const std::string& key);

using Lines = std::vector<std::string>;
// The lines of a report (CR LF between lines, none after the last).
Lines ReportLines(const std::string& report);
// True when Line is "hh:nn:ss" + Rest.
bool IsTimeStamped(const std::string& line, const std::string& rest);

// Case-insensitive comparison of two paths or identifiers.
bool SameText(const std::string& a, const std::string& b);

}  // namespace quillet::test
