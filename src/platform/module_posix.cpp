#include <dlfcn.h>

#include "platform/module.h"

namespace quillet::os {

std::string LibraryFileName(std::string_view base) { return "lib" + std::string(base) + ".so"; }

Module Module::Load(const std::string& name) {
  Module m;
  m.handle_ = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  return m;
}

void* Module::Symbol(const std::string& name) const { return handle_ ? ::dlsym(handle_, name.c_str()) : nullptr; }

void Module::reset() {
  if (void* h = std::exchange(handle_, nullptr)) ::dlclose(h);
}

}  // namespace quillet::os
