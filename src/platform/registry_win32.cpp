#include <windows.h>

#include <vector>

#include "platform/registry.h"
#include "platform/unique_any.h"

namespace quillet::os {

namespace {
using UniqueKey = UniqueAny<HKEY, &::RegCloseKey>;
}  // namespace

std::string ReadMachineRegistryText(const std::string& key, const std::string& name) {
  UniqueKey h;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, h.put()) != ERROR_SUCCESS) return {};
  const char* value = name.empty() ? nullptr : name.c_str();
  DWORD type = 0, size = 0;
  if (::RegQueryValueExA(h.get(), value, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || size == 0) return {};
  // One byte more than asked for: a stored text need not end in a NUL.
  std::vector<char> buffer(size + 1, '\0');
  if (::RegQueryValueExA(h.get(), value, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
      ERROR_SUCCESS)
    return {};
  buffer[size < buffer.size() ? size : buffer.size() - 1] = '\0';
  return std::string(buffer.data());
}

}  // namespace quillet::os
