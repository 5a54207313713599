// An application double as a COM local server: WINWORD.EXE, EXCEL.EXE,
// POWERPNT.EXE or IEXPLORE.EXE (DOUBLE_APP names the application; one source
// for all four).
//
// Started by COM ("-Embedding" or "/Automation"): registers its class factory,
// makes one Application object for the first client (and then withdraws the
// factory, so the next creation starts a process of its own), and ends when
// its last object is released.
// Started as a user would (no switch): makes a visible Application object,
// registers it as the running instance of its class, writes <App>.ready into
// the control folder and serves until a WM_QUIT reaches its main thread.
// Either way it appends its process id to <App>.pids in the control folder.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/DispObject.h"
#include "core/Office.h"
#include "core/Session.h"
#include "win32/Controller.h"
#include "platform/com/ComPtr.h"
#include "platform/file.h"

using namespace quillet::doubles;

namespace {

constexpr AppKind kKind = static_cast<AppKind>(DOUBLE_APP);
constexpr UINT kWithdrawFactory = WM_APP + 1;

DWORD g_mainThread = 0;
bool g_automation = false;

void AppendControlFile(const char* suffix, const std::string& text) {
  const std::string dir = ControlDir();
  if (dir.empty()) return;
  const std::string file = dir + "\\" + AppName(kKind) + suffix;
  if (const quillet::os::UniqueFile f{std::fopen(file.c_str(), "ab")}) std::fputs(text.c_str(), f.get());
}

void OnLastObjectGone() {
  if (g_automation) ::PostThreadMessageA(g_mainThread, WM_QUIT, 0, 0);
}

void OnCreate() {
  ::PostThreadMessageA(g_mainThread, kWithdrawFactory, 0, 0);
  // A refused creation leaves no object whose release would end the process.
  if (LiveObjects() == 0) ::PostThreadMessageA(g_mainThread, WM_QUIT, 0, 0);
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (*a == '-' || *a == '/') ++a;
    if (_stricmp(a, "Embedding") == 0 || _stricmp(a, "Automation") == 0) g_automation = true;
  }
  g_mainThread = ::GetCurrentThreadId();
  MSG msg;
  ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, before anyone posts to it
  PinProcessIdInController();
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  AppendControlFile(".pids", std::to_string(::GetCurrentProcessId()) + "\n");
  SetOnLastObjectGone(OnLastObjectGone);

  DWORD cookie = 0;
  quillet::com::ComPtr<IDispatch> app;
  if (g_automation) {
    const auto factory = quillet::com::ComPtr<IClassFactory>::Adopt(CreateFactory(kKind, true, OnCreate));
    const HRESULT hr =
        ::CoRegisterClassObject(AppClsid(kKind), factory.get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    if (FAILED(hr)) return 2;
    // A client that gives up before creating anything must not leave the
    // process behind.
    ::SetTimer(nullptr, 0, 60000, nullptr);
  } else {
    app = quillet::com::ComPtr<IDispatch>::Adopt(CreateApplication(kKind, false));
    ::RegisterActiveObject(app.get(), AppClsid(kKind), ACTIVEOBJECT_STRONG, &cookie);
    AppendControlFile(".ready", "ready\n");
  }

  bool created = false;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd == nullptr && msg.message == kWithdrawFactory) {
      if (cookie && g_automation) ::CoRevokeClassObject(cookie);
      cookie = 0;
      created = true;
      continue;
    }
    if (msg.hwnd == nullptr && msg.message == WM_TIMER && g_automation && !created) break;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }

  if (g_automation) {
    if (cookie) ::CoRevokeClassObject(cookie);
  } else {
    ::RevokeActiveObject(cookie, nullptr);
    app.reset();
  }
  ::CoUninitialize();
  return 0;
}
