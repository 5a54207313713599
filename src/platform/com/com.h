// COM and OLE Automation for the automation layer, its Win32/POSIX bodies and
// the application servers: the system's own headers on Windows, the subset of
// com_posix.h elsewhere. Engine code never includes this header; it uses
// utilities/automation/Automation.h.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#include <oaidl.h>
#include <oleauto.h>
#else
#include "platform/com/com_posix.h"
#endif

#include <string>

#include "platform/com/com_ptr.h"

namespace quillet::com {

// Interface identifiers for ComPtr::query: the compiler's own on Windows, one
// specialisation per interface of the subset elsewhere.
#ifdef _WIN32
template <class U>
struct InterfaceId {
  static const IID& get() { return __uuidof(U); }
};
#else
template <>
struct InterfaceId<IUnknown> {
  static const IID& get() { return IID_IUnknown; }
};
template <>
struct InterfaceId<IDispatch> {
  static const IID& get() { return IID_IDispatch; }
};
template <>
struct InterfaceId<IClassFactory> {
  static const IID& get() { return IID_IClassFactory; }
};
#endif

using OleString = std::basic_string<OLECHAR>;

// Library strings (ANSI code page on Windows, UTF-8 elsewhere) to and from
// the 16-bit text of automation. Elsewhere both are strict: a text that is not
// valid UTF-8, or 16-bit text with a surrogate that is not half of a pair,
// raises Error (ErrorCode::InvalidText) saying so, with the text shown.
OleString ToOle(const std::string& text);
std::string FromOle(const OLECHAR* text, size_t length);
std::string FromBstr(BSTR text);  // a null BSTR is the empty text

// The system's message text for an HRESULT, without the trailing line break;
// empty when the system has none.
std::string SystemText(HRESULT code);

// Makes sure the calling thread has joined an apartment before the first
// activation. The library is called from plain programs that never
// initialised COM; a thread that already did keeps its own choice.
void EnsureApartment();

// The executable file name of ProgID's local server ("WINWORD.EXE"), empty
// when it has none (an in-process server, every server of the Linux subset).
std::string LocalServerExeName(const std::string& progId);

// Lets calls that the calling thread makes be cancelled from another thread
// (once per thread), and cancels the call that thread ThreadId is waiting in.
// False when the system cannot cancel it (Linux has no such calls; Wine does
// not implement the cancellation).
void EnableCallCancellation();
bool CancelCall(uint32_t threadId);

// Keeps the calling thread's list of system exception frames as it was before
// an outgoing call, for the scope of the guard. 64-bit Wine's proxies can
// return from a call that failed because the object's apartment is gone (an
// unload after the thread that created the object has ended, or while its
// apartment is being torn down) with one of their frames still on that list;
// the next C++ exception on the thread then runs a dead handler and the
// process ends. A call that has returned has no frame left to keep, so the
// list is put back as it was. In 64-bit builds only: 64-bit Windows keeps no
// such list (the field is left to the runtime), and 32-bit code is never
// given back a stale frame.
class CallFrameGuard {
 public:
  CallFrameGuard();
  ~CallFrameGuard();
  CallFrameGuard(const CallFrameGuard&) = delete;
  CallFrameGuard& operator=(const CallFrameGuard&) = delete;

 private:
  void* saved_ = nullptr;
};

}  // namespace quillet::com
