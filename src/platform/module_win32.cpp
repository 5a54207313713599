#include <windows.h>

#include "platform/module.h"

namespace quillet::os {

std::string LibraryFileName(std::string_view base) { return std::string(base) + ".dll"; }

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
