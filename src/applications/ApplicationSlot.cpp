#include "applications/ApplicationSlot.h"

#include <algorithm>
#include <vector>

#include "platform/process.h"
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

bool TApplicationSlot::Start(std::initializer_list<const char*> progIds) {
  Created = false;
  Started = false;
  processId_ = 0;
  control_ = ole::ServerControl();
  for (const char* progId : progIds) {
    try {
      const std::string exe = ole::LocalServerExeName(progId);
      const std::vector<uint32_t> before = exe.empty() ? std::vector<uint32_t>{} : os::ProcessesNamed(exe);
      bool made = false;
      Object = AttachOrCreateOleObject(progId, made, !avoidRunning_);
      Created = made;
      Started = true;
      if (made && !exe.empty()) processId_ = NewProcess(before, os::ProcessesNamed(exe));
      control_ = ole::ServerControl::Of(Object.AsObject());
      // A call that runs past its deadline can then be cancelled from the watchdog.
      ole::EnableCallCancellation();
      return true;
    } catch (const std::exception&) {
      // not registered, not running and not creatable: the next ProgID
    }
  }
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

bool TApplicationSlot::Interrupt(uint32_t threadId) const {
  // The library's own servers know their working process and whether they
  // started it.
  if (control_) {
    // Asked first: once aborted, the server has no working process left.
    const bool own = control_.StartedProcessId() != 0;
    return control_.Abort() && own;
  }
  // Any other: the system's call cancellation, and for an application the
  // converter started, the end of its process (which releases the call too).
  ole::CancelCall(threadId);
  return Created && processId_ != 0 && os::EndProcess(processId_);
}

bool TApplicationSlot::Alive(const std::string& reason) const {
  if (!Started) return false;
  if (Created && processId_ != 0 && !os::ProcessAlive(processId_)) return false;
  return !ole::IsServerGoneText(reason);
}

void TApplicationSlot::GiveUp() {
  if (!Started) return;
  if (Created) {
    // Its process is gone or ended: releasing the reference calls nobody.
    Ignoring([&] { Object = ole::Variant(); });
  } else {
    // A borrowed instance that does not answer: a release could wait on it.
    Object.Leak();
    avoidRunning_ = true;
  }
  Started = false;
  Created = false;
  processId_ = 0;
  control_ = ole::ServerControl();
}

}  // namespace quillet
