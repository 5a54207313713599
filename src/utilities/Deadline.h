// The deadline of one document: a watchdog thread beside the calling thread
// that runs an action when the time is up and the conversion has not ended,
// in the spirit of the dialog watcher. The action may only stop what the
// calling thread is waiting on; it touches no state of the converter.
//
// Thread-safety: made, disarmed and destroyed on the calling thread; the
// action runs on the watchdog thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace quillet {

class TDeadline {
 public:
  // Starts watching: after Ms milliseconds, unless disarmed first, Expire
  // runs; with RepeatMs, again every RepeatMs until disarmed (for a call that
  // the first action could not release yet, or that got hold of something new
  // to wait on), else once.
  TDeadline(uint32_t ms, std::function<void()> expire, uint32_t repeatMs = 0);
  // Disarms and waits for the watchdog thread (and an action in progress) to end.
  ~TDeadline();
  TDeadline(const TDeadline&) = delete;
  TDeadline& operator=(const TDeadline&) = delete;

  // The conversion has ended: the action will not run any more.
  void Disarm();
  // True once the deadline passed and the action ran (or was running).
  bool Expired() const;

 private:
  mutable std::mutex lock_;
  std::condition_variable wake_;
  bool disarmed_ = false;
  bool expired_ = false;
  std::thread thread_;
};

}  // namespace quillet
