// The dialog watcher: a background thread that looks every 50 ms for a window
// matching the finder's criteria and answers the first one it sees with a
// dialog macro, then ends. The caller starts it before a call that may raise a
// modal dialog and stops it (Running = false) when the call has returned.
//
// Ownership: the caller and the watching thread each hold a shared reference,
// so the watcher's storage (the Running flag above all) stays valid for as long
// as either side may touch it. The thread drops its reference when its body
// ends; the caller's stop request may come before or after that. The caller
// never waits for the thread: it ends by itself at most one pass later.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "MUMacro/MUMacro.h"

namespace quillet {

class TThreadSendKey : public std::enable_shared_from_this<TThreadSendKey> {
 public:
  // A new, not yet started watcher: TimeoutMs 2000, Running true, no criteria.
  static std::shared_ptr<TThreadSendKey> Create();

  ~TThreadSendKey() = default;
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
  void StartWatch(const std::string& exePattern, const std::string& windowPattern,
                  const std::string& parentExePattern, const std::string& parentPattern,
                  const std::string& macroText, int32_t timeoutMs);

  // The thread's body: search every 50 ms until a window is found, the time
  // limit has passed or a stop request is seen; answer a window found unless
  // stopped.
  void Execute();

  // True once the thread's body has ended (the watcher will answer nothing more).
  bool Finished() const;
  // Waits up to Ms milliseconds for the body to end; true when it has.
  bool WaitFor(uint32_t ms) const;

 private:
  TThreadSendKey() = default;
  void MarkFinished();

  mutable std::mutex finishLock_;
  mutable std::condition_variable finishedSignal_;
  bool started_ = false;
  bool finished_ = false;
};

// Asks Watcher to stop when the scope ends, also when the watched call raised.
class StopWatchOnExit {
 public:
  explicit StopWatchOnExit(std::shared_ptr<TThreadSendKey> watcher) : watcher_(std::move(watcher)) {}
  ~StopWatchOnExit() {
    if (watcher_) watcher_->Running = false;
  }
  StopWatchOnExit(const StopWatchOnExit&) = delete;
  StopWatchOnExit& operator=(const StopWatchOnExit&) = delete;

 private:
  std::shared_ptr<TThreadSendKey> watcher_;
};

}  // namespace quillet
