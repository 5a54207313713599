#include "utilities/Deadline.h"

#include <chrono>

namespace quillet {

TDeadline::TDeadline(uint32_t ms, std::function<void()> expire, uint32_t repeatMs) {
  thread_ = std::thread([this, ms, repeatMs, expire = std::move(expire)] {
    std::unique_lock<std::mutex> lock(lock_);
    if (wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return disarmed_; })) return;
    expired_ = true;
    do {
      lock.unlock();
      try {
        expire();
      } catch (...) {
        // Nothing may leave a thread's body; the conversion fails by its deadline anyway.
      }
      lock.lock();
    } while (repeatMs != 0 && !wake_.wait_for(lock, std::chrono::milliseconds(repeatMs), [this] { return disarmed_; }));
  });
}

TDeadline::~TDeadline() {
  Disarm();
  if (thread_.joinable()) thread_.join();
}

void TDeadline::Disarm() {
  {
    std::lock_guard<std::mutex> lock(lock_);
    disarmed_ = true;
  }
  wake_.notify_all();
}

bool TDeadline::Expired() const {
  std::lock_guard<std::mutex> lock(lock_);
  return expired_;
}

}  // namespace quillet
