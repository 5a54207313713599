// The desktop's windows, as the dialog automation sees them: top-level
// enumeration, captions and class names, parents, owning processes, the child
// tree, synchronous messages to controls, and showing a window to the user. On Windows these are the real
// window calls; on Linux there is no desktop (nothing is ever found). Tests
// install an in-memory desktop of their own through SetDesktop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quillet::os {

// A window handle as a number; 0 is "no window".
using WindowHandle = std::uintptr_t;
constexpr WindowHandle NoWindow = 0;

using ProcessId = std::uint32_t;

// The messages the dialog automation sends, with the system's numbers.
enum class WindowMessage : std::uint32_t {
  Null = 0x0000,
  SetFocus = 0x0007,
  Char = 0x0102,
  LButtonDown = 0x0201,
  LButtonUp = 0x0202,
};

// One entry of a process snapshot: the process id and its executable file name
// (the name only, no folder).
struct ProcessEntry {
  ProcessId id = 0;
  std::string exeFile;
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  // Calls Visit for each top-level window, topmost first, hidden ones included,
  // until Visit returns false. An exception raised by Visit ends the enumeration
  // and leaves this call.
  virtual void EnumTopLevelWindows(const std::function<bool(WindowHandle)>& visit) = 0;

  // The caption / class name read into a buffer of BufferSize bytes, so at most
  // BufferSize - 1 characters; empty for a window that no longer exists.
  virtual std::string WindowCaption(WindowHandle window, std::size_t bufferSize) = 0;
  virtual std::string WindowClassName(WindowHandle window, std::size_t bufferSize) = 0;

  // The parent of a child window, or the owner of a top-level window; NoWindow
  // when it has none or no longer exists.
  virtual WindowHandle ParentWindow(WindowHandle window) = 0;

  // The id of the process that created the window; 0 when the window is gone.
  virtual ProcessId WindowProcessId(WindowHandle window) = 0;

  // Every running process, in the system's snapshot order.
  virtual std::vector<ProcessEntry> ProcessSnapshot() = 0;

  // The child tree in the system's child order (top of the z-order first).
  virtual WindowHandle FirstChild(WindowHandle window) = 0;
  virtual WindowHandle NextSibling(WindowHandle window) = 0;

  // Sends Message synchronously and returns the window's answer; 0 for a
  // window that is gone. Raises Error when the window's thread has not
  // answered within TimeoutMs milliseconds (it is busy or hung), so that the
  // sender is never held longer than that.
  virtual std::intptr_t SendWindowMessage(WindowHandle window, WindowMessage message, std::uintptr_t wParam,
                                          std::intptr_t lParam, std::uint32_t timeoutMs) = 0;

  // Whether the window is shown / accepts input; false for a window that is gone.
  virtual bool IsWindowVisible(WindowHandle window) = 0;
  virtual bool IsWindowEnabled(WindowHandle window) = 0;
  // The pop-up window owned by Window that was active last, or Window itself
  // when none was (GetLastActivePopup); NoWindow for a window that is gone.
  virtual WindowHandle LastActivePopup(WindowHandle window) = 0;
  // Shows the window with the system's show command (9: restore).
  virtual void ShowWindow(WindowHandle window, int showCommand) = 0;
  // Brings the window's program forward and activates the window.
  virtual void SetForegroundWindow(WindowHandle window) = 0;
};

// The show command that restores a minimised or hidden window (SW_RESTORE).
constexpr int kShowRestore = 9;

// The desktop in use. Callers keep the returned reference for the length of
// one operation, so a desktop replaced meanwhile stays alive until they finish.
std::shared_ptr<Desktop> CurrentDesktop();

// Installs Desktop for every later operation and returns the one it replaces;
// nullptr restores the system's desktop.
std::shared_ptr<Desktop> SetDesktop(std::shared_ptr<Desktop> desktop);

// The platform's own desktop (a real one on Windows, an empty one on Linux).
std::shared_ptr<Desktop> SystemDesktop();

}  // namespace quillet::os
