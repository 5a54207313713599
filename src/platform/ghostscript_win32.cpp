#include <windows.h>

#include "platform/ghostscript.h"

namespace quillet::os {

namespace {

template <class F>
bool Bind(HMODULE module, const char* name, F& entry) {
  entry = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
  return entry != nullptr;
}

}  // namespace

// A process loads only a library of its own word size, and Ghostscript's
// 64-bit build installs its library under the 64-bit name.
#ifdef _WIN64
constexpr char kLibraryName[] = "GSDLL64.dll";
#else
constexpr char kLibraryName[] = "GSDLL32.dll";
#endif

bool BindGhostscript(GhostscriptEntries& entries) {
  // Never freed: the binding is kept for the life of the process.
  const HMODULE module = ::LoadLibraryA(kLibraryName);
  if (!module) return false;
  GhostscriptEntries found;
  const bool all = Bind(module, "gsdll_init", found.init) && Bind(module, "gsdll_execute_begin", found.executeBegin) &&
                   Bind(module, "gsdll_execute_cont", found.executeCont) &&
                   Bind(module, "gsdll_execute_end", found.executeEnd) && Bind(module, "gsdll_exit", found.exit);
  if (all) entries = found;
  return all;
}

}  // namespace quillet::os
