// The deadline of one request, in the terms of the applications it waits on.
// Once its seconds have passed, a watchdog releases the call the request waits
// in on an application and ends that application when the converter started
// it (while it starts, too), or tells the format library to stop its
// conversion; it does so again until the call has returned, so that nothing
// the request gets hold of afterwards holds it either. Afterwards it says what
// became of the request: its deadline passed, its application ended under the
// conversion, or neither. An application lost either way is given up, and the
// next request starts a new one.
//
// Thread-safety: made, told, disarmed and asked on the converter's thread; the
// watchdog's action runs on a thread of its own and touches only what
// TOfficeApplications allows it (a slot's Interrupt, StopNoWordConvert, the
// deadline-passed flag).
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "applications/ApplicationSlot.h"
#include "applications/OfficeApplications.h"
#include "platform/status.h"
#include "utilities/ApplicationTable.h"
#include "utilities/Deadline.h"

namespace quillet {

class TRequestDeadline {
 public:
  // Arms the deadline of a request on Applications, Seconds from now, on the
  // calling thread: that is the thread whose waits it releases.
  TRequestDeadline(TOfficeApplications& applications, uint32_t seconds);
  // Disarms it when the request has not.
  ~TRequestDeadline();
  TRequestDeadline(const TRequestDeadline&) = delete;
  TRequestDeadline& operator=(const TRequestDeadline&) = delete;

  // The request now waits on App: the slot of Word, Excel or PowerPoint, or
  // the bridge server's for Acrobat, is what the watchdog releases. The format
  // library has no slot, nor has a request without an application (none): the
  // watchdog then only tells the library to stop.
  void WaitOn(std::optional<TApplication> app);
  // True once the deadline has passed (the watchdog has acted, or is acting).
  bool Expired() const;
  // The request is over: the watchdog acts no more, and what it did is
  // visible when this returns. Again: nothing.
  void Disarm();

  // What became of the request (disarming it first):
  // - Deadline, when the deadline passed while the request waited on an
  //   application, which is given up, or after the format library's
  //   conversion was stopped. Dest, whatever had begun to be written there,
  //   is deleted.
  // - ApplicationEnded, when Route (the route's result; none when the request
  //   was not routed) failed and the application it ran in is gone: its
  //   process has ended, or the route's failure is of the kind that says so.
  //   The application is given up; the text names it and the route's reason.
  // - Ok otherwise: the request's own result stands.
  Status Outcome(const std::string& dest, const std::optional<Status>& route);

 private:
  // The watchdog's action.
  void Expire();

  TOfficeApplications& applications_;
  const uint32_t seconds_;
  const uint32_t caller_;
  // What the request waits on; null for the format library or nothing.
  std::atomic<TApplicationSlot*> waitingOn_{nullptr};
  // Set when the watchdog ended an application or stopped the library.
  std::atomic<bool> ended_{false};
  bool expired_ = false;
  // Last: it ends first, before anything its action touches.
  std::optional<TDeadline> watchdog_;
};

}  // namespace quillet
