// A background thread that the code it runs cannot be unloaded under.
//
// On Windows the thread holds a reference to the module that contains this
// code (quillet.dll, or the program it is linked into) from before it starts
// until its very last instruction, and gives it back as it ends
// (FreeLibraryAndExitThread). A host that frees the library while such a
// thread still runs only lowers the library's count: the code is unmapped
// once the thread has ended, never under it. On Linux it is a plain thread.
#pragma once

#include <functional>
#include <memory>

namespace quillet::os {

class PinnedThread {
 public:
  PinnedThread();
  // Runs Body on a new thread; an exception that leaves Body is dropped.
  // Raises Error when no thread can be started.
  explicit PinnedThread(std::function<void()> body);
  // A thread still attached is let go (never waited for here).
  ~PinnedThread();
  PinnedThread(PinnedThread&&) noexcept;
  PinnedThread& operator=(PinnedThread&&) noexcept;
  PinnedThread(const PinnedThread&) = delete;
  PinnedThread& operator=(const PinnedThread&) = delete;

  // True while a started thread has been neither joined nor let go.
  bool Joinable() const;
  // True when called on this thread itself.
  bool IsCurrent() const;
  // Waits until the thread has ended.
  void Join();
  // Lets the thread run on by itself.
  void Detach();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quillet::os
