// The Acrobat program double: acrobat.exe (and, the same program, the
// Reader's AcroRd32.exe). It starts as Acrobat does while its plug-ins load:
// its main window (class "AdobeAcrobatFake", caption "Adobe Acrobat"), shown
// as the starter asked (hidden when started hidden), later a hidden window
// captioned "DDE Server Window", and then the plug-in's mutex, made and held
// for a while and let go when the plug-in is "ready". The script's
// WindowAfterMs, DdeWindowAfterMs, MutexAfterMs and MutexHoldMs space the
// steps; Never=dde-window, Never=mutex and Never=release leave a step (and
// those after it) out, so that the start never finishes. It runs until it is
// closed or ended; the mutex is kept (released or not) for its whole life.
//
// Acrobat transcript lines:
//   acrobat started <command line> show <wShowWindow of the start, or default>
//   acrobat window visible|hidden     the main window was made
//   acrobat dde window
//   acrobat mutex held
//   acrobat mutex released
//   acrobat ready                     every step taken
//   acrobat window shown              the main window was shown later (by someone else)
// and its process id is appended to Acrobat.pids in the control folder.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "applications/AcrobatControl.h"
#include "core/Session.h"
#include "win32/Controller.h"
#include "platform/file.h"
#include "platform/win32_handle.h"

using namespace quillet::doubles;

namespace {

enum Step : UINT_PTR { kMainWindow = 1, kDdeWindow, kMutex, kRelease };

Session* g_session = nullptr;
HWND g_main = nullptr;
quillet::os::UniqueHandle g_mutex;  // the plug-in's, kept for the program's life
bool g_started = false;             // the main window has been made

bool Never(const char* step) {
  const auto& never = g_session->script().never;
  return std::find(never.begin(), never.end(), step) != never.end();
}

void Write(const std::string& line) { g_session->Write("acrobat " + line); }

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SHOWWINDOW && wParam && g_started) Write("window shown");
  if (message == WM_DESTROY) ::PostQuitMessage(0);
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main() {
  PinProcessIdInController();
  Session session("Acrobat", false);
  g_session = &session;
  const std::string dir = ControlDir();
  if (!dir.empty()) {
    if (const quillet::os::UniqueFile f{std::fopen((dir + "\\Acrobat.pids").c_str(), "ab")})
      std::fprintf(f.get(), "%lu\n", static_cast<unsigned long>(::GetCurrentProcessId()));
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  ::GetStartupInfoA(&startup);
  Write(std::string("started ") + ::GetCommandLineA() + " show " +
        (startup.dwFlags & STARTF_USESHOWWINDOW ? std::to_string(startup.wShowWindow) : std::string("default")));

  WNDCLASSA wc{};
  wc.lpfnWndProc = MainProc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.lpszClassName = "AdobeAcrobatFake";
  ::RegisterClassA(&wc);
  const Script& script = session.script();

  // The steps, in order, each on a timer of its own after the one before.
  Step pending = kMainWindow;
  UINT_PTR timer = ::SetTimer(nullptr, 0, static_cast<UINT>(std::max(script.windowAfterMs, 1)), nullptr);
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd == nullptr && msg.message == WM_TIMER && msg.wParam == timer) {
      ::KillTimer(nullptr, timer);
      timer = 0;
      int32_t nextAfter = 0;
      bool finished = false;
      switch (pending) {
        case kMainWindow:
          g_main = ::CreateWindowExA(0, wc.lpszClassName, "Adobe Acrobat", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                     CW_USEDEFAULT, 400, 300, nullptr, nullptr, wc.hInstance, nullptr);
          // As the starter asked (hidden, say), the way the system shows a
          // program's first window.
          ::ShowWindow(g_main, startup.dwFlags & STARTF_USESHOWWINDOW ? startup.wShowWindow : SW_SHOWNORMAL);
          g_started = true;
          Write(::IsWindowVisible(g_main) ? "window visible" : "window hidden");
          pending = kDdeWindow;
          nextAfter = script.ddeWindowAfterMs;
          finished = Never("dde-window");
          break;
        case kDdeWindow:
          ::CreateWindowExA(0, "STATIC", "DDE Server Window", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance,
                            nullptr);
          Write("dde window");
          pending = kMutex;
          nextAfter = script.mutexAfterMs;
          finished = Never("mutex");
          break;
        case kMutex:
          g_mutex.reset(::CreateMutexA(nullptr, TRUE, quillet::kPlugInMutexName));
          Write(g_mutex ? "mutex held" : "mutex failed");
          pending = kRelease;
          nextAfter = script.mutexHoldMs;
          finished = Never("release");
          break;
        case kRelease:
          // Written first: whoever waits on the mutex runs on the moment it
          // is let go, and must find the start finished in the transcript.
          Write("mutex released");
          Write("ready");
          ::ReleaseMutex(g_mutex.get());
          finished = true;
          break;
      }
      if (!finished) timer = ::SetTimer(nullptr, 0, static_cast<UINT>(std::max(nextAfter, 1)), nullptr);
      continue;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return 0;
}
