// Loading a library at run time and finding its entry points: LoadLibraryA,
// GetProcAddress and FreeLibrary on Windows, dlopen, dlsym and dlclose
// elsewhere. A Module owns its reference to the library.
#pragma once

#include <string>
#include <string_view>
#include <utility>

// The calling convention of the entry points of outside libraries that the
// library calls by address: stdcall on Windows, the system's own elsewhere.
#if defined(_WIN32)
#define QUILLET_LIBRARY_CALL __stdcall
#else
#define QUILLET_LIBRARY_CALL
#endif

namespace quillet::os {

// The file name a library called Base has on this system: fmtbridge.dll on
// Windows, libfmtbridge.so elsewhere.
std::string LibraryFileName(std::string_view base);

// The folder of the module that holds the engine (quillet.dll, libquillet.so,
// or a program linked with it), with a trailing delimiter; empty when the
// system cannot say.
std::string ModuleFolder();

// The folder of the files shipped with the library (the office stand-ins, the
// format library, the macro route's template), with a trailing delimiter. An
// installed library keeps them in a folder "quillet" of their own beside it
// (/usr/lib/<triplet>/quillet/), out of the system's library path; in the
// build tree, and on Windows, they are beside the library itself.
std::string PrivateFolder();

class Module {
 public:
  Module() = default;
  // Loads Name with the system's search rules (a plain name is searched for).
  // On Linux a plain name that those rules do not find is then looked for in
  // the private folder of the module holding the engine (PrivateFolder), where
  // the libraries shipped with it are installed; on Windows the program's own
  // folder is part of the system's rules already.
  // The result is empty when the library cannot be loaded.
  static Module Load(const std::string& name);
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;
  Module(Module&& o) noexcept : handle_(std::exchange(o.handle_, nullptr)) {}
  Module& operator=(Module&& o) noexcept {
    if (this != &o) {
      reset();
      handle_ = std::exchange(o.handle_, nullptr);
    }
    return *this;
  }
  ~Module() { reset(); }

  explicit operator bool() const { return handle_ != nullptr; }
  void* handle() const { return handle_; }
  // The address of an exported name; null when the library has no such export.
  void* Symbol(const std::string& name) const;
  // Gives the reference back (nothing when none is held).
  void reset();

 private:
  void* handle_ = nullptr;
};

}  // namespace quillet::os
