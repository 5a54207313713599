#include <windows.h>

#include <vector>

#include "platform/path.h"
#include "platform/sysinfo.h"

namespace quillet::os {

std::string TempFolder() {
  char buffer[1024];
  const DWORD n = ::GetTempPathA(sizeof buffer, buffer);
  return n && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

std::string SystemFolder() {
  char buffer[1024];
  const UINT n = ::GetSystemDirectoryA(buffer, sizeof buffer);
  return std::string(buffer, n < sizeof buffer ? n : 0) + "\\";
}

std::string ExecutableFolder() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return path::ExtractFilePath(std::string(buffer.data(), n));
    buffer.resize(buffer.size() * 2);  // a long path: try again with more room
  }
}

bool ReadFileVersion(const std::string& path, FileVersion& version) {
  if (path.empty()) return false;
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return false;
  // 8-byte units keep the resource's structures aligned.
  std::vector<unsigned long long> block((size + 7) / 8);
  if (!::GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return false;
  void* value = nullptr;
  UINT length = 0;
  if (!::VerQueryValueA(block.data(), "\\", &value, &length) || !value || length < sizeof(VS_FIXEDFILEINFO))
    return false;
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
  version.major = HIWORD(info->dwFileVersionMS);
  version.minor = LOWORD(info->dwFileVersionMS);
  version.release = HIWORD(info->dwFileVersionLS);
  version.build = LOWORD(info->dwFileVersionLS);
  return true;
}

}  // namespace quillet::os
