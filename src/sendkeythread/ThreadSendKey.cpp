#include "sendkeythread/ThreadSendKey.h"

#include <chrono>

#include "dialogs/FindAppWindow.h"
#include "platform/desktop.h"
#include "platform/clock.h"
#include "platform/error.h"

namespace quillet {

namespace {
constexpr uint32_t kPollIntervalMs = 50;
}

std::shared_ptr<TThreadSendKey> TThreadSendKey::Create() {
  return std::shared_ptr<TThreadSendKey>(new TThreadSendKey());
}

void TThreadSendKey::StartWatch(const std::string& exePattern, const std::string& windowPattern,
                                const std::string& parentExePattern, const std::string& parentPattern,
                                const std::string& macroText, int32_t timeoutMs) {
  {
    std::lock_guard<std::mutex> lock(finishLock_);
    if (started_) throw Error("The dialog watcher has already been started");
    started_ = true;
  }
  ExePattern = exePattern;
  WindowPattern = windowPattern;
  ParentExePattern = parentExePattern;
  ParentPattern = parentPattern;
  MacroText = macroText;
  TimeoutMs = timeoutMs;
  // The thread holds its own reference: the watcher lives until both the
  // thread has ended and the caller has let go of it. The thread also keeps
  // the library loaded until it has ended, should the caller let it go.
  try {
    std::lock_guard<std::mutex> lock(finishLock_);
    thread_ = os::PinnedThread([self = shared_from_this()] {
      self->Execute();
      self->MarkFinished();
    });
  } catch (const Error& e) {
    Running = false;
    MarkFinished();
    throw Error(std::string("Can not start the dialog watcher: ") + e.what());
  }
}

void TThreadSendKey::Execute() {
  // Running is not set again here: a stop request made before the thread got
  // going must not be undone.
  try {
    const uint32_t start = os::TickCount();
    os::WindowHandle found = os::NoWindow;
    for (;;) {
      os::ProcessMessages();
      Pause(kPollIntervalMs);
      found = FindAppWindow(ExePattern, WindowPattern, ParentExePattern, ParentPattern);
      if (TimeoutMs >= 0 && os::TicksSince(start) >= static_cast<uint32_t>(TimeoutMs)) break;
      if (found != os::NoWindow || !Running) break;
    }
    if (Running && found != os::NoWindow) {
      // A window is listed from the moment it is created, before its owner
      // has made its controls (a dialog gets them while it initialises). A
      // synchronous no-op message returns only when the owning thread is back
      // in its message loop, so the macro then looks at the finished dialog.
      // Every message waits at most Macro.SendTimeoutMs for its answer: a
      // dialog whose application hangs makes the watcher give up, never
      // holds it.
      os::CurrentDesktop()->SendWindowMessage(found, os::WindowMessage::Null, 0, 0, Macro.SendTimeoutMs);
      // A line that could not be carried out ends this answer; the watcher
      // looks on.
      (void)Macro.RunMacro(found, MacroText);
    } else {
      Running = false;
    }
  } catch (...) {
    // Nothing may leave a thread's body; a watcher that failed gives up.
    Running = false;
  }
}

TThreadSendKey::~TThreadSendKey() {
  if (!thread_.Joinable()) return;
  if (thread_.IsCurrent())
    thread_.Detach();
  else
    thread_.Join();
}

void TThreadSendKey::Pause(uint32_t ms) {
  std::unique_lock<std::mutex> lock(finishLock_);
  stopSignal_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !Running; });
}

void TThreadSendKey::Stop() {
  {
    std::lock_guard<std::mutex> lock(finishLock_);
    Running = false;
  }
  stopSignal_.notify_all();
}

bool TThreadSendKey::Join(uint32_t ms) {
  const bool ended = WaitFor(ms);
  std::lock_guard<std::mutex> lock(finishLock_);
  if (thread_.Joinable()) {
    if (ended)
      thread_.Join();
    else
      thread_.Detach();
  }
  return ended;
}

void TThreadSendKey::MarkFinished() {
  {
    std::lock_guard<std::mutex> lock(finishLock_);
    finished_ = true;
  }
  finishedSignal_.notify_all();
}

bool TThreadSendKey::Finished() const {
  std::lock_guard<std::mutex> lock(finishLock_);
  return finished_;
}

bool TThreadSendKey::WaitFor(uint32_t ms) const {
  std::unique_lock<std::mutex> lock(finishLock_);
  return finishedSignal_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return finished_; });
}

}  // namespace quillet
