#include "platform/desktop.h"

namespace quillet::os {

namespace {

// Linux has no desktop of office applications to search: no windows, so every
// search finds nothing and no message is ever sent.
class NoDesktop final : public Desktop {
 public:
  void EnumTopLevelWindows(const std::function<bool(WindowHandle)>&) override {}
  std::string WindowCaption(WindowHandle, std::size_t) override { return {}; }
  std::string WindowClassName(WindowHandle, std::size_t) override { return {}; }
  WindowHandle ParentWindow(WindowHandle) override { return NoWindow; }
  ProcessId WindowProcessId(WindowHandle) override { return 0; }
  std::vector<ProcessEntry> ProcessSnapshot() override { return {}; }
  WindowHandle FirstChild(WindowHandle) override { return NoWindow; }
  WindowHandle NextSibling(WindowHandle) override { return NoWindow; }
  std::intptr_t SendWindowMessage(WindowHandle, WindowMessage, std::uintptr_t, std::intptr_t, std::uint32_t) override {
    return 0;
  }
  bool IsWindowVisible(WindowHandle) override { return false; }
  bool IsWindowEnabled(WindowHandle) override { return false; }
  WindowHandle LastActivePopup(WindowHandle) override { return NoWindow; }
  void ShowWindow(WindowHandle, int) override {}
  void SetForegroundWindow(WindowHandle) override {}
};

}  // namespace

std::shared_ptr<Desktop> SystemDesktop() {
  static const std::shared_ptr<Desktop> desktop = std::make_shared<NoDesktop>();
  return desktop;
}

}  // namespace quillet::os
