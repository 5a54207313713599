#include <windows.h>

#include "platform/msgbox.h"

namespace quillet::os {

namespace {

// The box runs its own message loop on the calling thread, which dispatches
// the thread's timer messages: when the timer fires, the thread's message box
// is told to close, as if its button had been pressed.
BOOL CALLBACK CloseIfMessageBox(HWND window, LPARAM) {
  char className[16] = {};
  ::GetClassNameA(window, className, sizeof className);
  if (::lstrcmpA(className, "#32770") == 0) ::PostMessageA(window, WM_COMMAND, IDOK, 0);
  return TRUE;
}

void CALLBACK CloseThreadMessageBoxes(HWND, UINT, UINT_PTR, DWORD) {
  ::EnumThreadWindows(::GetCurrentThreadId(), CloseIfMessageBox, 0);
}

}  // namespace

void ShowSystemMessageBox(const std::string& text, const std::string& caption) {
  const UINT_PTR timer = ::SetTimer(nullptr, 0, MessageBoxTimeoutMs(), CloseThreadMessageBoxes);
  ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_SETFOREGROUND);
  if (timer) ::KillTimer(nullptr, timer);
}

}  // namespace quillet::os
