// An in-memory desktop for the dialog automation: windows with a class, a
// caption, a parent (or owner), children and an owning process; a process
// list; and a record of every message sent. Thread-safe, so a watcher thread
// can search it while a test changes it.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/desktop.h"

namespace quillet::test {

class FakeDesktop : public os::Desktop {
 public:
  struct Sent {
    os::WindowHandle window;
    os::WindowMessage message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    std::uint32_t timeoutMs;
  };

  FakeDesktop();

  // A top-level window, placed last in the enumeration order. Owner is what
  // the parent query reports for it.
  os::WindowHandle AddWindow(const std::string& className, const std::string& caption, os::ProcessId pid,
                             os::WindowHandle owner = os::NoWindow);
  // A child control, placed last among Parent's children, of Parent's process.
  os::WindowHandle AddChild(os::WindowHandle parent, const std::string& className, const std::string& caption);
  // Removes a window and all its children.
  void DestroyWindow(os::WindowHandle window);

  // A window's state as IsWindowVisible and IsWindowEnabled report it (both
  // true for a new window) and the pop-up that LastActivePopup reports for it
  // (the window itself unless set).
  void SetWindowState(os::WindowHandle window, bool visible, bool enabled);
  void SetLastActivePopup(os::WindowHandle window, os::WindowHandle popup);
  // What ShowWindow and SetForegroundWindow were asked, in order: "show <handle> <command>",
  // "foreground <handle>" (handles in decimal).
  std::vector<std::string> Actions() const;

  void AddProcess(os::ProcessId pid, const std::string& exeFile);
  void EndProcess(os::ProcessId pid);

  // Called (outside the desktop's lock) just before the enumeration hands a
  // window to its visitor, and after each message has been recorded.
  void OnVisit(std::function<void(os::WindowHandle)> hook);
  void OnMessage(std::function<void(const Sent&)> hook);

  std::vector<Sent> SentTo(os::WindowHandle window) const;
  std::size_t SentCount() const;
  // The characters of every character message sent to Window, in order.
  std::string Typed(os::WindowHandle window) const;
  // Complete clicks: focus, button down, button up, each with wParam 0 and lParam 0.
  int Clicks(os::WindowHandle window) const;

  int Enumerations() const;
  int Snapshots() const;

  void EnumTopLevelWindows(const std::function<bool(os::WindowHandle)>& visit) override;
  std::string WindowCaption(os::WindowHandle window, std::size_t bufferSize) override;
  std::string WindowClassName(os::WindowHandle window, std::size_t bufferSize) override;
  os::WindowHandle ParentWindow(os::WindowHandle window) override;
  os::ProcessId WindowProcessId(os::WindowHandle window) override;
  std::vector<os::ProcessEntry> ProcessSnapshot() override;
  os::WindowHandle FirstChild(os::WindowHandle window) override;
  os::WindowHandle NextSibling(os::WindowHandle window) override;
  std::intptr_t SendWindowMessage(os::WindowHandle window, os::WindowMessage message, std::uintptr_t wParam,
                                  std::intptr_t lParam, std::uint32_t timeoutMs) override;
  bool IsWindowVisible(os::WindowHandle window) override;
  bool IsWindowEnabled(os::WindowHandle window) override;
  os::WindowHandle LastActivePopup(os::WindowHandle window) override;
  void ShowWindow(os::WindowHandle window, int showCommand) override;
  void SetForegroundWindow(os::WindowHandle window) override;

 private:
  struct Window {
    std::string className, caption;
    os::WindowHandle parent = os::NoWindow;  // parent of a child, owner of a top-level window
    bool child = false;
    os::ProcessId pid = 0;
    std::vector<os::WindowHandle> children;
    bool visible = true, enabled = true;
    os::WindowHandle popup = os::NoWindow;
  };

  const Window* Find(os::WindowHandle window) const;
  std::vector<os::WindowHandle>* SiblingsOf(os::WindowHandle window);

  mutable std::mutex lock_;
  os::WindowHandle next_ = 0x1000;
  std::map<os::WindowHandle, Window> windows_;
  std::vector<os::WindowHandle> topLevel_;
  std::vector<os::ProcessEntry> processes_;
  std::vector<Sent> sent_;
  std::vector<std::string> actions_;
  std::function<void(os::WindowHandle)> onVisit_;
  std::function<void(const Sent&)> onMessage_;
  int enumerations_ = 0;
  int snapshots_ = 0;
};

// Installs a desktop for as long as it lives, then puts the previous one back.
class ScopedDesktop {
 public:
  explicit ScopedDesktop(std::shared_ptr<os::Desktop> desktop) : previous_(os::SetDesktop(std::move(desktop))) {}
  ~ScopedDesktop() { os::SetDesktop(previous_); }
  ScopedDesktop(const ScopedDesktop&) = delete;
  ScopedDesktop& operator=(const ScopedDesktop&) = delete;

 private:
  std::shared_ptr<os::Desktop> previous_;
};

}  // namespace quillet::test
