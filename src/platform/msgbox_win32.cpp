#include <windows.h>

#include "platform/msgbox.h"

namespace quillet::os {

namespace {

// One box on the screen, shown by this thread. A box shown while another is
// up (from a message that the first one's loop dispatched) stacks on it.
struct ShownBox {
  HWND window = nullptr;  // known once the system has created the box
  UINT_PTR timer = 0;
  ShownBox* outer = nullptr;
};

thread_local ShownBox* t_innermost = nullptr;

// Sees every window this thread creates while a box is being shown: the first
// top-level dialog made after the box was asked for is the box itself (the
// system makes it before anything else can run on the thread). Dialogs that
// the host opens later, from messages dispatched by the box's loop, are not.
LRESULT CALLBACK CatchTheBox(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && t_innermost != nullptr && t_innermost->window == nullptr) {
    const HWND window = reinterpret_cast<HWND>(wParam);
    const auto* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam);
    char className[16] = {};
    ::GetClassNameA(window, className, sizeof className);
    if ((create->lpcs->style & WS_CHILD) == 0 && ::lstrcmpA(className, "#32770") == 0) t_innermost->window = window;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// The box runs its own message loop on the calling thread, which dispatches
// the thread's timer messages: when a box's timer fires, that box (and no
// other window of the thread) is told to close, as if its button had been
// pressed.
void CALLBACK CloseTheBox(HWND, UINT, UINT_PTR timer, DWORD) {
  for (const ShownBox* box = t_innermost; box != nullptr; box = box->outer) {
    if (box->timer != timer) continue;
    if (box->window != nullptr && ::IsWindow(box->window)) ::PostMessageA(box->window, WM_COMMAND, IDOK, 0);
    return;
  }
}

// Puts a box on this thread's stack for the length of one call.
class ShownBoxScope {
 public:
  explicit ShownBoxScope(ShownBox& box) : box_(box) {
    box_.outer = t_innermost;
    t_innermost = &box_;
    hook_ = ::SetWindowsHookExA(WH_CBT, CatchTheBox, nullptr, ::GetCurrentThreadId());
  }
  ~ShownBoxScope() {
    if (hook_) ::UnhookWindowsHookEx(hook_);
    if (box_.timer) ::KillTimer(nullptr, box_.timer);
    t_innermost = box_.outer;
  }
  ShownBoxScope(const ShownBoxScope&) = delete;
  ShownBoxScope& operator=(const ShownBoxScope&) = delete;

 private:
  ShownBox& box_;
  HHOOK hook_ = nullptr;
};

}  // namespace

void ShowSystemMessageBox(const std::string& text, const std::string& caption) {
  ShownBox box;
  ShownBoxScope shown(box);
  box.timer = ::SetTimer(nullptr, 0, MessageBoxTimeoutMs(), CloseTheBox);
  ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_SETFOREGROUND);
}

}  // namespace quillet::os
