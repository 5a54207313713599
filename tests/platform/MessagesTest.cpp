// The calling thread's messages while the library waits, against real
// windows of this thread.
#include <windows.h>

#include <gtest/gtest.h>

#include "MUMacro/MUMacro.h"
#include "platform/clock.h"

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

}  // namespace
}  // namespace quillet
