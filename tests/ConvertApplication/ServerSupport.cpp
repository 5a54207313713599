#include "ServerSupport.h"

#include <objbase.h>

#include <cctype>
#include <stdexcept>

#include "TestSupport.h"
#include "platform/win32_handle.h"
#include "platform/win32_registry.h"

namespace quillet::test {

GUID GuidOf(const char* text) {
  GUID guid{};
  std::wstring wide(text, text + std::char_traits<char>::length(text));
  if (FAILED(::CLSIDFromString(wide.c_str(), &guid))) throw std::runtime_error(std::string("bad GUID ") + text);
  return guid;
}

std::string WindowsPath(const std::string& buildPath) {
  std::string p = buildPath;
  if (!p.empty() && p[0] == '/') p = "Z:" + p;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

std::string LibraryPath() { return WindowsPath(QUILLET_LIBRARY); }

ProgramRun RunProgram(const std::string& commandLine, DWORD timeoutMs) {
  TempDir scratch;
  const std::string outputFile = scratch / "output.txt";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  os::UniqueHandle output(::CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  os::UniqueHandle input(
      ::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
  if (output.get() == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + outputFile);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = input.get();
  si.hStdOutput = output.get();
  si.hStdError = output.get();
  PROCESS_INFORMATION pi{};
  std::string cmd = commandLine;
  if (!::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    throw std::runtime_error("cannot run " + commandLine);
  const os::UniqueHandle process(pi.hProcess), thread(pi.hThread);
  output.reset();
  input.reset();
  ProgramRun run;
  run.finished = ::WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0;
  if (!run.finished) {
    ::TerminateProcess(process.get(), 99);
    ::WaitForSingleObject(process.get(), 5000);
  }
  ::GetExitCodeProcess(process.get(), &run.exitCode);
  run.output = ReadFile(outputFile);
  return run;
}

DWORD Regsvr32(bool unregister) {
  const ProgramRun run =
      RunProgram(std::string("regsvr32.exe ") + (unregister ? "/u " : "") + "/s \"" + LibraryPath() + "\"");
  return run.finished ? run.exitCode : WAIT_TIMEOUT;
}

std::optional<std::string> ClassesValue(const std::string& key, const char* name) {
  const os::RegistryKey handle = os::RegistryKey::Open(HKEY_CLASSES_ROOT, key, KEY_QUERY_VALUE);
  const std::string value = name ? name : "";
  if (handle.ValueType(value) != REG_SZ) return std::nullopt;
  return handle.ReadText(value);
}

bool ClassesKeyExists(const std::string& key) {
  return static_cast<bool>(os::RegistryKey::Open(HKEY_CLASSES_ROOT, key));
}

Lines ReportLines(const std::string& report) {
  Lines lines;
  if (report.empty()) return lines;
  size_t start = 0;
  for (;;) {
    const size_t end = report.find("\r\n", start);
    lines.push_back(report.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return lines;
}

bool IsTimeStamped(const std::string& line, const std::string& rest) {
  if (line.size() < 8) return false;
  for (size_t i : {0u, 1u, 3u, 4u, 6u, 7u})
    if (!std::isdigit(static_cast<unsigned char>(line[i]))) return false;
  return line[2] == ':' && line[5] == ':' && line.substr(8) == rest;
}

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

}  // namespace quillet::test
