#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <exception>
#include <string>

#include "platform/desktop.h"
#include "platform/error.h"
#include "platform/win32_handle.h"

namespace quillet::os {

static_assert(static_cast<UINT>(WindowMessage::Null) == WM_NULL);
static_assert(static_cast<UINT>(WindowMessage::SetFocus) == WM_SETFOCUS);
static_assert(static_cast<UINT>(WindowMessage::Char) == WM_CHAR);
static_assert(static_cast<UINT>(WindowMessage::LButtonDown) == WM_LBUTTONDOWN);
static_assert(static_cast<UINT>(WindowMessage::LButtonUp) == WM_LBUTTONUP);
static_assert(kShowRestore == SW_RESTORE);

namespace {

HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle FromHwnd(HWND window) { return reinterpret_cast<WindowHandle>(window); }

struct EnumContext {
  const std::function<bool(WindowHandle)>* visit;
  std::exception_ptr failure;
};

// No exception may unwind through the system's enumeration frames: it is kept
// and raised again once EnumWindows has returned.
BOOL CALLBACK EnumTopLevelProc(HWND window, LPARAM param) {
  auto* context = reinterpret_cast<EnumContext*>(param);
  try {
    return (*context->visit)(FromHwnd(window)) ? TRUE : FALSE;
  } catch (...) {
    context->failure = std::current_exception();
    return FALSE;
  }
}

// Reads a caption or class name into a buffer of BufferSize bytes.
template <typename Reader>
std::string ReadText(Reader reader, WindowHandle window, std::size_t bufferSize) {
  if (bufferSize == 0) return {};
  std::string buffer(bufferSize, '\0');
  int n = reader(ToHwnd(window), buffer.data(), static_cast<int>(bufferSize));
  if (n < 0) n = 0;
  buffer.resize(std::min<std::size_t>(static_cast<std::size_t>(n), bufferSize - 1));
  return buffer;
}

class Win32Desktop final : public Desktop {
 public:
  void EnumTopLevelWindows(const std::function<bool(WindowHandle)>& visit) override {
    EnumContext context{&visit, nullptr};
    ::EnumWindows(EnumTopLevelProc, reinterpret_cast<LPARAM>(&context));
    if (context.failure) std::rethrow_exception(context.failure);
  }

  std::string WindowCaption(WindowHandle window, std::size_t bufferSize) override {
    return ReadText([](HWND w, LPSTR buf, int n) { return ::GetWindowTextA(w, buf, n); }, window, bufferSize);
  }

  std::string WindowClassName(WindowHandle window, std::size_t bufferSize) override {
    return ReadText([](HWND w, LPSTR buf, int n) { return ::GetClassNameA(w, buf, n); }, window, bufferSize);
  }

  WindowHandle ParentWindow(WindowHandle window) override { return FromHwnd(::GetParent(ToHwnd(window))); }

  ProcessId WindowProcessId(WindowHandle window) override {
    DWORD pid = 0;
    if (::GetWindowThreadProcessId(ToHwnd(window), &pid) == 0) return 0;
    return pid;
  }

  std::vector<ProcessEntry> ProcessSnapshot() override {
    std::vector<ProcessEntry> entries;
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!IsValid(snapshot)) return entries;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
      entry.szExeFile[MAX_PATH - 1] = '\0';
      entries.push_back(ProcessEntry{entry.th32ProcessID, entry.szExeFile});
      entry.dwSize = sizeof entry;
    }
    return entries;
  }

  WindowHandle FirstChild(WindowHandle window) override { return FromHwnd(::GetWindow(ToHwnd(window), GW_CHILD)); }

  WindowHandle NextSibling(WindowHandle window) override { return FromHwnd(::GetWindow(ToHwnd(window), GW_HWNDNEXT)); }

  std::intptr_t SendWindowMessage(WindowHandle window, WindowMessage message, std::uintptr_t wParam,
                                  std::intptr_t lParam, std::uint32_t timeoutMs) override {
    DWORD_PTR answer = 0;
    if (::SendMessageTimeoutA(ToHwnd(window), static_cast<UINT>(message), static_cast<WPARAM>(wParam),
                              static_cast<LPARAM>(lParam), SMTO_NORMAL | SMTO_ABORTIFHUNG, timeoutMs, &answer) != 0)
      return static_cast<std::intptr_t>(answer);
    // A window that is gone takes no message, as with a plain send; one that
    // is still there did not answer in time.
    if (!::IsWindow(ToHwnd(window))) return 0;
    throw Error("The window did not answer within " + std::to_string(timeoutMs) + " ms");
  }

  bool IsWindowVisible(WindowHandle window) override { return ::IsWindowVisible(ToHwnd(window)) != FALSE; }

  bool IsWindowEnabled(WindowHandle window) override { return ::IsWindowEnabled(ToHwnd(window)) != FALSE; }

  WindowHandle LastActivePopup(WindowHandle window) override {
    if (!::IsWindow(ToHwnd(window))) return NoWindow;
    return FromHwnd(::GetLastActivePopup(ToHwnd(window)));
  }

  void ShowWindow(WindowHandle window, int showCommand) override { ::ShowWindow(ToHwnd(window), showCommand); }

  void SetForegroundWindow(WindowHandle window) override { ::SetForegroundWindow(ToHwnd(window)); }
};

}  // namespace

std::shared_ptr<Desktop> SystemDesktop() {
  static const std::shared_ptr<Desktop> desktop = std::make_shared<Win32Desktop>();
  return desktop;
}

}  // namespace quillet::os
