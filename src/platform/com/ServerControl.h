// The control interface of the library's own automation servers (the
// LibreOffice stand-ins of Word, Excel and PowerPoint): what the converter
// needs to stop a conversion that has run past its deadline. Real Office
// applications do not offer it; the converter then uses the system's call
// cancellation and the process it saw start.
#pragma once

#include "platform/com/com.h"

struct IQuilletServerControl : IUnknown {
  // The id of the process that does the server's work, when the server
  // started that process itself; 0 when it works in a process it attached to
  // (which is never ended) or has none yet.
  virtual HRESULT STDMETHODCALLTYPE StartedProcessId(DWORD* pid) = 0;
  // Releases every call that is blocked on the working process, and ends that
  // process when the server started it. Callable from any thread, also while
  // another thread is inside a call of the server.
  virtual HRESULT STDMETHODCALLTYPE Abort() = 0;
};

namespace quillet::com {

// {7C1D5E2A-9B34-4F0E-A6C8-3D2E91B40A77}
inline constexpr IID IID_IQuilletServerControl = {
    0x7c1d5e2a, 0x9b34, 0x4f0e, {0xa6, 0xc8, 0x3d, 0x2e, 0x91, 0xb4, 0x0a, 0x77}};

template <>
struct InterfaceId<IQuilletServerControl> {
  static const IID& get() { return IID_IQuilletServerControl; }
};

}  // namespace quillet::com
