// ScopeExit: runs an action when the scope ends, however it ends (a return or
// an exception), unless released first; in the spirit of WIL's scope_exit.
//
//   auto putBack = MakeScopeExit([&] { app.Put("DisplayAlerts", true); });
//   ...                 // may return early or raise
//   putBack.Release();  // the work succeeded: nothing to put back
//
// The action runs from a destructor, so it must not raise. Thread-safety: one
// owner, one thread.
#pragma once

#include <utility>

namespace quillet {

template <class F>
class ScopeExit {
 public:
  explicit ScopeExit(F action) : action_(std::move(action)) {}
  ~ScopeExit() {
    if (armed_) action_();
  }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

  void Release() { armed_ = false; }

 private:
  F action_;
  bool armed_ = true;
};

template <class F>
ScopeExit<F> MakeScopeExit(F action) {
  return ScopeExit<F>(std::move(action));
}

}  // namespace quillet
