#include "applications/RequestDeadline.h"

#include "platform/fs.h"
#include "platform/process.h"
#include "utilities/Messages.h"

namespace quillet {

TRequestDeadline::TRequestDeadline(TOfficeApplications& applications, uint32_t seconds)
    : applications_(applications), seconds_(seconds), caller_(os::CurrentThreadId()) {
  applications_.deadlinePassed_ = false;
  watchdog_.emplace(
      seconds * 1000, [this] { Expire(); }, TApplicationSlot::kRetryMs);
}

TRequestDeadline::~TRequestDeadline() { Disarm(); }

void TRequestDeadline::Expire() {
  applications_.deadlinePassed_ = true;
  if (TApplicationSlot* slot = waitingOn_.load(); slot && slot->Interrupt(caller_)) ended_ = true;
  // The route without Word waits on the format library, which has no
  // application to end: one that can stop its conversion is told to.
  if (applications_.StopNoWordConvert()) ended_ = true;
}

void TRequestDeadline::WaitOn(std::optional<TApplication> app) {
  waitingOn_ = app ? applications_.SlotOf(*app) : nullptr;
}

bool TRequestDeadline::Expired() const { return watchdog_ ? watchdog_->Expired() : expired_; }

void TRequestDeadline::Disarm() {
  if (!watchdog_) return;
  watchdog_->Disarm();
  expired_ = watchdog_->Expired();
  watchdog_.reset();  // waits for the watchdog thread to end
}

Status TRequestDeadline::Outcome(const std::string& dest, const std::optional<Status>& route) {
  Disarm();
  TApplicationSlot* const slot = waitingOn_.load();
  if (expired_ && !slot && ended_) {
    os::DeleteFile(dest);
    return Status(ErrorCode::Deadline, texts::DeadlinePassed(seconds_) + texts::kFormatLibraryStopped);
  }
  if (expired_ && slot) {
    Status passed(ErrorCode::Deadline, texts::DeadlinePassed(seconds_) + applications_.DisplayName(*slot) +
                                           (ended_          ? texts::kApplicationEnded
                                            : slot->Started ? texts::kBorrowedApplicationHangs
                                                            : texts::kApplicationDidNotStart));
    applications_.GiveUp(*slot, caller_);
    // Whatever the application had begun to write is no result.
    os::DeleteFile(dest);
    return passed;
  }
  if (slot && route && !route->ok() && !slot->Alive(route->code())) {
    // The application ended under the conversion (or before it): this file
    // fails, the next request starts a new one.
    Status ended(ErrorCode::ApplicationEnded,
                 texts::ApplicationEnded(applications_.DisplayName(*slot), route->message()));
    applications_.GiveUp(*slot, caller_);
    return ended;
  }
  return Status::Ok();
}

}  // namespace quillet
