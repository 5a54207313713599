#include <windows.h>

#include <vector>

#include "platform/registry.h"
#include "platform/unique_any.h"

namespace quillet::os {

namespace {

using UniqueKey = UniqueAny<HKEY, &::RegCloseKey>;

}  // namespace

std::string ReadMachineRegistryText(const std::string& key, const std::string& valueName) {
  UniqueKey h;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, h.put()) != ERROR_SUCCESS) return {};
  const char* name = valueName.empty() ? nullptr : valueName.c_str();
  DWORD type = 0, size = 0;
  if (::RegQueryValueExA(h.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || size == 0) return {};
  std::vector<char> buffer(size + 1, '\0');
  if (::RegQueryValueExA(h.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
      ERROR_SUCCESS)
    return {};
  return std::string(buffer.data());  // up to the terminating NUL
}

}  // namespace quillet::os
