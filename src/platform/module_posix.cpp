#include <dlfcn.h>

#include <cstdlib>

#include "platform/fs.h"
#include "platform/module.h"

namespace quillet::os {

namespace {

// The folder of the module that holds this code, with a trailing slash; empty
// when the loader cannot say.
std::string OwnFolder() {
  Dl_info info{};
  if (!::dladdr(reinterpret_cast<void*>(&OwnFolder), &info) || !info.dli_fname) return {};
  std::string path = info.dli_fname;
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    path = real;
    std::free(real);
  }
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::string LibraryFileName(std::string_view base) { return "lib" + std::string(base) + ".so"; }

std::string ModuleFolder() { return OwnFolder(); }

std::string PrivateFolder() {
  const std::string own = OwnFolder();
  if (own.empty()) return own;
  const std::string installed = own + "quillet/";
  return DirectoryExists(installed) ? installed : own;
}

Module Module::Load(const std::string& name) {
  Module m;
  m.handle_ = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!m.handle_ && name.find('/') == std::string::npos) {
    const std::string folder = PrivateFolder();
    if (!folder.empty()) m.handle_ = ::dlopen((folder + name).c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  return m;
}

void* Module::Symbol(const std::string& name) const { return handle_ ? ::dlsym(handle_, name.c_str()) : nullptr; }

void Module::reset() {
  if (void* h = std::exchange(handle_, nullptr)) ::dlclose(h);
}

}  // namespace quillet::os
