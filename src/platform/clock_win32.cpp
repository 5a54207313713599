#include <windows.h>

#include "platform/clock.h"

namespace quillet::os {

uint32_t TickCount() { return ::GetTickCount(); }

void SleepMs(uint32_t ms) { ::Sleep(ms); }

TimeOfDay LocalTimeOfDay() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return {now.wHour, now.wMinute, now.wSecond};
}

void ProcessMessages() {
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The quit request belongs to the host's own message loop: put it back
      // for that loop to see, and end this pass.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

}  // namespace quillet::os
