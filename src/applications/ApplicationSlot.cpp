#include "applications/ApplicationSlot.h"

#include <algorithm>
#include <vector>

#include "platform/process.h"
#include "utilities/Deadline.h"
#include "utilities/Guarded.h"

namespace quillet {

ole::Variant AttachOrCreateOleObject(const std::string& progId, bool& created, bool allowAttach) {
  created = false;
  ole::OleObject object;
  if (allowAttach && ole::GetActiveOleObject(progId, object)) return ole::Variant(std::move(object));
  object = ole::CreateOleObject(progId);
  created = true;
  return ole::Variant(std::move(object));
}

namespace {

// The process that a creation started: the one of the server's executable
// that was not running before.
uint32_t NewProcess(const std::vector<uint32_t>& before, const std::vector<uint32_t>& after) {
  uint32_t found = 0;
  for (uint32_t pid : after) {
    if (std::find(before.begin(), before.end(), pid) != before.end()) continue;
    if (found) return 0;  // two new ones: no telling which
    found = pid;
  }
  return found;
}

}  // namespace

bool TApplicationSlot::Start(std::span<const char* const> progIds) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    Created = false;
    processId_ = 0;
    control_ = ole::ServerControl();
    starting_ = true;
    interrupted_ = false;
  }
  Started = false;
  for (const char* progId : progIds) {
    if (!progId) break;  // the end of a table's list
    try {
      const std::string exe = ole::LocalServerExeName(progId);
      {
        std::lock_guard<std::mutex> hold(lock_);
        // Stopped past the deadline: no further ProgID is tried (each would
        // start another server).
        if (interrupted_) break;
        startingExe_ = exe;
        runningBefore_ = exe.empty() ? std::vector<uint32_t>{} : os::ProcessesNamed(exe);
      }
      bool made = false;
      ole::Variant object = AttachOrCreateOleObject(progId, made, !avoidRunning_);
      Object = std::move(object);
      Started = true;
      std::lock_guard<std::mutex> hold(lock_);
      Created = made;
      if (made && !exe.empty()) processId_ = NewProcess(runningBefore_, os::ProcessesNamed(exe));
      control_ = ole::ServerControl::Of(Object.AsObject());
      starting_ = false;
      // A call that runs past its deadline can then be cancelled from the watchdog.
      ole::EnableCallCancellation();
      return true;
    } catch (const std::exception&) {
      // not registered, not running and not creatable: the next ProgID
    }
  }
  std::lock_guard<std::mutex> hold(lock_);
  starting_ = false;
  return false;
}

void TApplicationSlot::Close() {
  if (!Started) return;
  if (Created) {
    Ignoring([&] { Object.Call("Quit"); });
    Ignoring([&] { Object = ole::Variant(); });
  } else {
    Object.Put("Visible", true);
  }
}

bool TApplicationSlot::Interrupt(uint32_t threadId) {
  std::lock_guard<std::mutex> hold(lock_);
  interrupted_ = true;
  // The library's own servers know their working process and whether they
  // started it.
  if (control_) {
    // Asked first: once aborted, the server has no working process left.
    const bool own = control_.StartedProcessId() != 0;
    return control_.Abort() && own;
  }
  // Any other: the system's call cancellation, and for an application the
  // converter started, the end of its process (which releases the call too).
  // While it is being made, that is the server's process that was not there
  // before (none while attaching to a running one).
  ole::CancelCall(threadId);
  uint32_t pid = Created ? processId_ : 0;
  if (starting_ && !startingExe_.empty()) pid = NewProcess(runningBefore_, os::ProcessesNamed(startingExe_));
  if (pid == 0 || !os::EndProcess(pid)) return false;
  processId_ = 0;  // ended: never again (its id may be reused)
  return true;
}

bool TApplicationSlot::Alive(ErrorCode lastFailure) const {
  if (!Started) return false;
  if (Created && processId_ != 0 && !os::ProcessAlive(processId_)) return false;
  return lastFailure != ErrorCode::ServerGone;
}

void TApplicationSlot::GiveUp(uint32_t threadId, uint32_t showAgainMs) {
  if (!Started) return;
  if (Created) {
    // Its process is gone or ended: releasing the reference calls nobody.
    Ignoring([&] { Object = ole::Variant(); });
  } else {
    // The user's instance was hidden while the converter held it: it is
    // shown again, as at the converter's end. It may not answer (that may be
    // why it is given up): the call is released when it runs too long, and
    // the reference is let go without a release, which could wait on it.
    if (showAgainMs != kNotShown) {
      TDeadline bound(
          showAgainMs, [&] { Interrupt(threadId); }, kRetryMs);
      Ignoring([&] { Object.Put("Visible", true); });
    }
    Object.Leak();
    avoidRunning_ = true;
  }
  Started = false;
  std::lock_guard<std::mutex> hold(lock_);
  Created = false;
  processId_ = 0;
  control_ = ole::ServerControl();
}

}  // namespace quillet
