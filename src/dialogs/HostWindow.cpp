#include "dialogs/HostWindow.h"

#include "platform/process.h"

namespace quillet {

namespace {

os::WindowHandle ApplicationWindowOf(os::Desktop& desktop, os::ProcessId self) {
  os::WindowHandle found = os::NoWindow;
  desktop.EnumTopLevelWindows([&](os::WindowHandle window) {
    if (desktop.WindowProcessId(window) == self && desktop.ParentWindow(window) == os::NoWindow &&
        desktop.IsWindowVisible(window)) {
      found = window;
      return false;
    }
    return true;
  });
  return found;
}

}  // namespace

os::WindowHandle HostApplicationWindow() {
  const auto desktop = os::CurrentDesktop();
  return ApplicationWindowOf(*desktop, os::CurrentProcessId());
}

void BringHostPopupForward() {
  const auto desktop = os::CurrentDesktop();
  const os::WindowHandle app = ApplicationWindowOf(*desktop, os::CurrentProcessId());
  if (app == os::NoWindow) return;
  const os::WindowHandle popup = desktop->LastActivePopup(app);
  if (popup != os::NoWindow && popup != app && desktop->IsWindowVisible(popup) && desktop->IsWindowEnabled(popup))
    desktop->SetForegroundWindow(popup);
}

}  // namespace quillet
