// The converter's hold on one office application: its Application object,
// whether it is held (Started) and whether the converter made it itself
// (Created) or borrowed an instance that was already running.
//
// Started is cleared only when the application is given up because it ran
// past a deadline or died: a dead or hung application is never used again.
// Created has meaning only while Started is true.
//
// Thread-safety: used on the converter's thread, except Interrupt, which the
// watchdog calls while that thread waits in a call on the application, also
// while Start is still getting hold of it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/error.h"
#include "utilities/automation/Automation.h"

namespace quillet {

class TApplicationSlot {
 public:
  ole::Variant Object;
  bool Started = false;
  bool Created = false;

  // Gets hold of the application by the first of ProgIds that can be attached
  // to or created, in order (a null entry ends the list); false (and Started
  // false) when none can. After a borrowed instance was given up, only a new
  // one is created.
  bool Start(std::span<const char* const> progIds);
  bool Start(std::initializer_list<const char*> progIds) { return Start({progIds.begin(), progIds.size()}); }

  // At the converter's end: quits an application the converter created and
  // lets its object go; shows a borrowed one again and keeps the reference
  // (that call may raise; the caller decides what happens then).
  void Close();

  // Called from another thread while the converter's thread waits in a call
  // on the application past its deadline, or in Start: releases that call and
  // ends the application's process when the converter started it, never
  // otherwise. ThreadId is the waiting thread. True when this call ended a
  // process. It may be called again while the thread still waits: a process
  // is ended once, and an application that Start obtained after an earlier
  // call is stopped then.
  bool Interrupt(uint32_t threadId);

  // False when the application is known to be gone: its process ended, or
  // its last failure was of the kind that says so (ErrorCode::ServerGone).
  bool Alive(ErrorCode lastFailure) const;

  // Gives the application up after a deadline or its death: the next request
  // starts a new one. A borrowed instance is made visible again, as at the
  // converter's end, by a call that is released after ShowAgainMs when it gets
  // no answer (kNotShown: an object without a window, never shown); then its
  // reference is let go without any further call, and it is not attached to
  // again. ThreadId is the calling thread.
  void GiveUp(uint32_t threadId, uint32_t showAgainMs = kShowAgainMs);

  // How long showing a given-up borrowed application again may take.
  static constexpr uint32_t kShowAgainMs = 5000;
  static constexpr uint32_t kNotShown = 0;
  // How often a stop past a deadline is made again while the call has not
  // returned.
  static constexpr uint32_t kRetryMs = 100;

 private:
  // Guards what Interrupt reads: the fields below and Created.
  std::mutex lock_;
  // The server process seen to start with a created application (Windows),
  // 0 when unknown or ended already.
  uint32_t processId_ = 0;
  // The control of the library's own servers (the stand-ins), when offered.
  ole::ServerControl control_;
  bool avoidRunning_ = false;
  // While Start runs: the local server's executable (empty when unknown) and
  // its processes before the attempt, to tell the one the attempt starts.
  bool starting_ = false;
  bool interrupted_ = false;
  std::string startingExe_;
  std::vector<uint32_t> runningBefore_;
};

// Gets hold of a running instance of ProgID (unless AllowAttach is false), or
// creates one; Created tells which. Raises Error when neither works.
ole::Variant AttachOrCreateOleObject(const std::string& progId, bool& created, bool allowAttach = true);

}  // namespace quillet
