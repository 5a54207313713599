// The dialog watcher: a background thread that looks every 50 ms for a window
// matching the finder's criteria and answers the first one it sees with a
// dialog macro, then ends. The caller starts it before a call that may raise a
// modal dialog and stops it (Running = false) when the call has returned.
//
// Ownership: the caller and the watching thread each hold a shared reference,
// so the watcher's storage (the Running flag above all) stays valid for as long
// as either side may touch it. The thread drops its reference when its body
// ends; the caller's stop request may come before or after that. A caller that
// stops the watch with Stop and then Join()s it knows that no watcher thread
// outlives its call (the library may be unloaded right after a request); the
// stop also cuts the watcher's pause short, so that costs next to nothing.
// Every window message the watcher sends waits a bounded time for its answer,
// so a hung application cannot hold it; and a watcher thread that its caller
// let go keeps the library loaded until it has ended.
//
// Thread-safety: the criteria and the macro are written by the caller before
// StartWatch and only read after it; Running and the stop request are the data the
// two threads share (atomic, and the stop's condition under its lock). The
// watcher touches windows only, never an automation object.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "MUMacro/MUMacro.h"
#include "platform/thread.h"

namespace quillet {

class TThreadSendKey : public std::enable_shared_from_this<TThreadSendKey> {
 public:
  // A new, not yet started watcher: TimeoutMs 2000, Running true, no criteria.
  static std::shared_ptr<TThreadSendKey> Create();

  // Waits for a thread that is still running, unless it is the thread itself
  // that lets the last reference go.
  ~TThreadSendKey();
  TThreadSendKey(const TThreadSendKey&) = delete;
  TThreadSendKey& operator=(const TThreadSendKey&) = delete;

  // Criteria of the window finder; written before the thread starts.
  std::string ParentPattern;
  std::string WindowPattern;
  std::string ParentExePattern;
  std::string ExePattern;
  std::string MacroText;
  // Time limit of the watch in milliseconds; negative means no limit.
  int32_t TimeoutMs = 2000;
  TMUMacro Macro;
  // The caller clears it to stop the watch; the thread clears it when it gives
  // up (time limit passed or stop seen) and leaves it set after answering.
  std::atomic<bool> Running{true};

  // Stores the job and starts the watching thread. Called once. Raises Error
  // when a thread cannot be started.
  void StartWatch(const std::string& exePattern, const std::string& windowPattern, const std::string& parentExePattern,
                  const std::string& parentPattern, const std::string& macroText, int32_t timeoutMs);

  // The thread's body: search every 50 ms until a window is found, the time
  // limit has passed or a stop request is seen; answer a window found unless
  // stopped.
  void Execute();

  // The stop request: Running := false, and the pause between two searches
  // ends at once instead of running its course.
  void Stop();
  // Waits up to Ms milliseconds for the thread to end and reclaims it; a
  // thread still busy then is let go and ends on its own: each message it
  // sends waits at most Macro.SendTimeoutMs, and until it has ended the
  // library stays loaded (see os::PinnedThread). True when it ended in time.
  bool Join(uint32_t ms);

  // True once the thread's body has ended (the watcher will answer nothing more).
  bool Finished() const;
  // Waits up to Ms milliseconds for the body to end; true when it has.
  bool WaitFor(uint32_t ms) const;

 private:
  TThreadSendKey() = default;
  void MarkFinished();
  // Pauses up to Ms milliseconds; a stop request ends the pause early.
  void Pause(uint32_t ms);

  mutable std::mutex finishLock_;
  mutable std::condition_variable finishedSignal_;
  std::condition_variable stopSignal_;
  bool started_ = false;
  bool finished_ = false;
  os::PinnedThread thread_;
};

// Asks Watcher to stop when the scope ends, also when the watched call raised.
class StopWatchOnExit {
 public:
  explicit StopWatchOnExit(std::shared_ptr<TThreadSendKey> watcher) : watcher_(std::move(watcher)) {}
  ~StopWatchOnExit() {
    if (watcher_) watcher_->Stop();
  }
  StopWatchOnExit(const StopWatchOnExit&) = delete;
  StopWatchOnExit& operator=(const StopWatchOnExit&) = delete;

 private:
  std::shared_ptr<TThreadSendKey> watcher_;
};

}  // namespace quillet
