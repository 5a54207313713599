// The Win32 side of the COM helpers: text conversion through the ANSI code
// page, the system's message texts, and the calling thread's apartment.
#include "platform/com/com.h"
#include "platform/fs.h"

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
  const int n =
      ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
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

}  // namespace quillet::com
