// A named mutex of the system, shared with another program (Windows). A
// NamedMutex owns its handle and, once a wait has acquired the mutex, its
// ownership: when it goes, the mutex is released and the handle closed. It
// must go on the thread that waited, since only the owning thread can release
// a mutex. Linux has no such mutexes: none ever opens.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace quillet::os {

class NamedMutex {
 public:
  enum class WaitResult {
    Acquired,   // the mutex was free or was released by its owner
    Abandoned,  // acquired, because its owner ended without releasing it
    TimedOut,   // still owned by someone else when the time ran out
    Failed,     // the wait itself failed (no mutex held)
  };

  NamedMutex() = default;
  // Opens the existing mutex Name with full access, not inherited. Empty when
  // no mutex of that name exists.
  static NamedMutex Open(const std::string& name);

  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;
  NamedMutex(NamedMutex&& o) noexcept
      : handle_(std::exchange(o.handle_, nullptr)), owned_(std::exchange(o.owned_, false)) {}
  NamedMutex& operator=(NamedMutex&& o) noexcept {
    if (this != &o) {
      reset();
      handle_ = std::exchange(o.handle_, nullptr);
      owned_ = std::exchange(o.owned_, false);
    }
    return *this;
  }
  ~NamedMutex() { reset(); }

  explicit operator bool() const { return handle_ != nullptr; }
  // Waits up to TimeoutMs for the mutex and takes it.
  WaitResult Wait(uint32_t timeoutMs);
  // Releases the mutex when it is held, then closes the handle.
  void reset();

 private:
  void* handle_ = nullptr;
  bool owned_ = false;
};

}  // namespace quillet::os
