// The calling thread's messages while the library waits, and the message box
// that closes itself, against real windows of this thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "MUMacro/MUMacro.h"
#include "platform/clock.h"
#include "platform/msgbox.h"

namespace quillet {
namespace {

// A window of this thread that counts the messages it is given.
class CountingWindow {
 public:
  CountingWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = Count;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "QuilletCountingWindow";
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, "QuilletCountingWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    handled_ = 0;
  }
  ~CountingWindow() { DestroyWindow(window_); }
  CountingWindow(const CountingWindow&) = delete;
  CountingWindow& operator=(const CountingWindow&) = delete;

  HWND get() const { return window_; }
  int handled() const { return handled_; }

 private:
  static LRESULT CALLBACK Count(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
      ++handled_;
      return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }
  static inline int handled_ = 0;
  HWND window_ = nullptr;
};

// The exit code of the quit request waiting in this thread's queue, taken out;
// -1 when there is none.
int TakeQuitRequest() {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return -1;
  return static_cast<int>(msg.wParam);
}

TEST(WaitingMessages, AWaitDispatchesTheThreadsMessagesAndLeavesAQuitRequestForTheHost) {
  CountingWindow window;
  ASSERT_NE(window.get(), nullptr);
  PostMessageA(window.get(), WM_APP, 0, 0);
  PostQuitMessage(7);
  PostMessageA(window.get(), WM_APP, 0, 0);
  os::ProcessMessages();
  EXPECT_EQ(window.handled(), 2);
  EXPECT_EQ(TakeQuitRequest(), 7);
}

TEST(WaitingMessages, AMacrosDelayLeavesAQuitRequestForTheHost) {
  PostQuitMessage(3);
  TMUMacro::WaitProcessingMessages(20);
  EXPECT_EQ(TakeQuitRequest(), 3);
}

// A dialog of the host, on the thread that shows the box: it records every
// command it gets and stays open.
std::vector<HWND> g_hostDialogs;
int g_hostCommands = 0;

INT_PTR CALLBACK HostDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND) {
    ++g_hostCommands;
    return TRUE;
  }
  return FALSE;
}

HWND OpenHostDialog() {
  // An in-memory dialog template without items.
  std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* header = reinterpret_cast<DLGTEMPLATE*>(t.data());
  header->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
  header->cx = 120;
  header->cy = 60;
  t.push_back(0);  // no menu
  t.push_back(0);  // the standard dialog class
  for (const wchar_t* c = L"Host settings"; *c; ++c) t.push_back(static_cast<WORD>(*c));
  t.push_back(0);
  const HWND dialog = CreateDialogIndirectParamA(
      GetModuleHandleA(nullptr), reinterpret_cast<const DLGTEMPLATE*>(t.data()), nullptr, HostDialogProc, 0);
  if (dialog) g_hostDialogs.push_back(dialog);
  return dialog;
}

// Opens a second host dialog while the box is up, from the box's message loop.
void CALLBACK OpenAnotherHostDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  OpenHostDialog();
}

BOOL CALLBACK CloseTheBoxFromOutside(HWND window, LPARAM) {
  char caption[32] = {};
  GetWindowTextA(window, caption, sizeof caption);
  if (lstrcmpA(caption, "Error") == 0) PostMessageA(window, WM_COMMAND, IDOK, 0);
  return TRUE;
}

TEST(SystemMessageBox, ClosesItselfAndNoDialogOfTheHost) {
  g_hostDialogs.clear();
  g_hostCommands = 0;
  ASSERT_NE(OpenHostDialog(), nullptr);
  SetTimer(nullptr, 0, 50, OpenAnotherHostDialog);

  // Should the box not close by itself, this closes it (and the test fails)
  // rather than leaving the program waiting.
  const DWORD thread = GetCurrentThreadId();
  std::atomic<bool> shown{true}, rescued{false};
  std::thread guard([&] {
    for (int i = 0; i < 500 && shown; ++i) Sleep(10);
    if (!shown) return;
    rescued = true;
    EnumThreadWindows(thread, CloseTheBoxFromOutside, 0);
  });

  const uint32_t previous = os::SetMessageBoxTimeoutMs(300);
  os::ShowSystemMessageBox("File format 99 do not exist!", "Error");
  shown = false;
  guard.join();
  os::SetMessageBoxTimeoutMs(previous);

  EXPECT_FALSE(rescued) << "the box did not close by itself";
  ASSERT_EQ(g_hostDialogs.size(), 2u);
  for (const HWND dialog : g_hostDialogs) {
    EXPECT_TRUE(IsWindow(dialog));
    DestroyWindow(dialog);
  }
  EXPECT_EQ(g_hostCommands, 0) << "a dialog of the host was told to close";
}

}  // namespace
}  // namespace quillet
