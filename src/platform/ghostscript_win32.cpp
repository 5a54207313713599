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

bool BindGhostscript(GhostscriptEntries& entries) {
  // Never freed: the binding is kept for the life of the process.
  const HMODULE module = ::LoadLibraryA("GSDLL32.dll");
  if (!module) return false;
  GhostscriptEntries found;
  const bool all = Bind(module, "gsdll_init", found.init) && Bind(module, "gsdll_execute_begin", found.executeBegin) &&
                   Bind(module, "gsdll_execute_cont", found.executeCont) &&
                   Bind(module, "gsdll_execute_end", found.executeEnd) && Bind(module, "gsdll_exit", found.exit);
  if (all) entries = found;
  return all;
}

}  // namespace quillet::os
