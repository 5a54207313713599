#include <windows.h>

#include "platform/module.h"

namespace quillet::os {

std::string LibraryFileName(std::string_view base) { return std::string(base) + ".dll"; }

std::string ModuleFolder() {
  static const char anchor = 0;  // an address inside this module
  HMODULE self = nullptr;
  if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            &anchor, &self))
    return {};
  char path[MAX_PATH + 1] = {};
  const DWORD n = ::GetModuleFileNameA(self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  const std::string full(path, n);
  const size_t delimiter = full.find_last_of("\\/:");
  return delimiter == std::string::npos ? std::string() : full.substr(0, delimiter + 1);
}

std::string PrivateFolder() { return ModuleFolder(); }

Module Module::Load(const std::string& name) {
  Module m;
  m.handle_ = reinterpret_cast<void*>(::LoadLibraryA(name.c_str()));
  return m;
}

void* Module::Symbol(const std::string& name) const {
  return handle_ ? reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name.c_str())) : nullptr;
}

void Module::reset() {
  if (void* h = std::exchange(handle_, nullptr)) ::FreeLibrary(static_cast<HMODULE>(h));
}

}  // namespace quillet::os
