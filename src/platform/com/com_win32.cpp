// The Win32 side of the COM helpers: text conversion through the ANSI code
// page, the system's message texts, and the calling thread's apartment.
#include "platform/com/com.h"
#include "platform/ascii.h"
#include "platform/fs.h"
#include "platform/win32_registry.h"

namespace quillet::com {

OleString ToOle(const std::string& text) {
  if (text.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  OleString out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string FromOle(const OLECHAR* text, size_t length) {
  if (!text || length == 0) return {};
  const int n = ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
  return out;
}

std::string FromBstr(BSTR text) { return text ? FromOle(text, ::SysStringLen(text)) : std::string(); }

std::string SystemText(HRESULT code) { return os::SysErrorMessage(static_cast<uint32_t>(code)); }

void EnsureApartment() {
  // Once per thread. A thread that never initialised COM (a plain program
  // calling the exports) joins a single-threaded apartment, and that
  // reference is kept for the thread's life on purpose: the application
  // objects that the converter holds must stay usable until it is destroyed.
  // A thread whose host initialised COM already (a script host, a page
  // server, a client of the automation object) keeps the host's apartment and
  // its reference alone: a second one would outlive the host's uninitialise,
  // and the apartment would never be torn down, nor the library freed and the
  // applications given back. A thread in the multithreaded apartment keeps it
  // (RPC_E_CHANGED_MODE).
  thread_local bool done = false;
  if (done) return;
  done = true;
  if (::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) == S_FALSE) ::CoUninitialize();
}

std::string LocalServerExeName(const std::string& progId) {
  CLSID clsid;
  if (FAILED(::CLSIDFromProgID(ToOle(progId).c_str(), &clsid))) return {};
  wchar_t text[64];
  if (!::StringFromGUID2(clsid, text, 64)) return {};
  const std::string key =
      "CLSID\\" + FromOle(reinterpret_cast<const OLECHAR*>(text), ::lstrlenW(text)) + "\\LocalServer32";
  // The command line of the server: a quoted or plain path, then switches.
  const std::string command = os::RegistryKey::Open(HKEY_CLASSES_ROOT, key).ReadText().value_or("");
  std::string exe;
  if (!command.empty() && command[0] == '"') {
    exe = command.substr(1, command.find('"', 1) - 1);
  } else {
    const size_t dotExe = ascii::ToLower(command).find(".exe");
    exe = dotExe == std::string::npos ? command.substr(0, command.find(' ')) : command.substr(0, dotExe + 4);
  }
  const size_t slash = exe.find_last_of("\\/:");
  return slash == std::string::npos ? exe : exe.substr(slash + 1);
}

namespace {
// Wine lists CoCancelCall but leaves it unimplemented: calling it ends the
// process. There the cancellation is not tried.
bool CallCancellationWorks() {
  static const bool works = !::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version");
  return works;
}
}  // namespace

void EnableCallCancellation() {
  thread_local bool done = false;
  if (done || !CallCancellationWorks()) return;
  done = true;
  ::CoEnableCallCancellation(nullptr);
}

bool CancelCall(uint32_t threadId) { return CallCancellationWorks() && SUCCEEDED(::CoCancelCall(threadId, 0)); }

#ifdef _WIN64
namespace {
// The thread's information block, whose first field is the list's head. Read
// from the segment register itself: the system header's inline reader trips
// GCC's bounds warning.
NT_TIB* ThreadBlock() {
  NT_TIB* block;
  asm("movq %%gs:0x30, %0" : "=r"(block));
  return block;
}
}  // namespace

CallFrameGuard::CallFrameGuard() : saved_(ThreadBlock()->ExceptionList) {}
CallFrameGuard::~CallFrameGuard() {
  ThreadBlock()->ExceptionList = static_cast<EXCEPTION_REGISTRATION_RECORD*>(saved_);
}
#else
CallFrameGuard::CallFrameGuard() = default;
CallFrameGuard::~CallFrameGuard() = default;
#endif

}  // namespace quillet::com
