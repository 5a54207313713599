// Ownership of Win32 kernel handles, for the Win32 side of the OS layer (and
// the Windows test doubles). Not for engine code: it includes <windows.h>.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace quillet::os {

struct HandleCloser {
  void operator()(HANDLE h) const {
    // Some calls report "no handle" as null, others as INVALID_HANDLE_VALUE.
    if (h && h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
};

using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

inline bool IsValid(const UniqueHandle& h) { return h && h.get() != INVALID_HANDLE_VALUE; }

}  // namespace quillet::os
