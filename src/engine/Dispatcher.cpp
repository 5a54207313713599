// The single-file dispatcher: validates the request, chooses the application
// (option keywords first, else the source's extension), makes sure it runs,
// refuses the two web-page saves that need Office 2000 or later, and hands the
// file to one of the four conversion routes under the document's deadline.
// It converts nothing itself.
#include <atomic>
#include <optional>

#include "engine/OfficeConvert.h"
#include "engine/options/Options.h"
#include "engine/formatlib/FormatCodes.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/status.h"
#include "procedures/Routes.h"
#include "utilities/ApplicationTable.h"
#include "utilities/Deadline.h"
#include "utilities/Guarded.h"
#include "utilities/Messages.h"
#include "utilities/Strings.h"
#include "utilities/SysUtils.h"

namespace quillet {

namespace {

// True when the application's major version is below 9 (Office 2000); an
// unreadable version text (-1) counts as too old.
bool BeforeOffice2000(const ole::Variant& app) { return ParseVersionNumber(app.Get("Version").AsString()) < 9; }

}  // namespace

void TOfficeConvertClass::ConvertDocument(const std::string& src, const std::string& dest,
                                          const std::string& destFormat, const std::string& option,
                                          std::string& errorText) {
  TConvertBaseClass::ConvertDocument(src, dest, destFormat, option, errorText);
  if (!errorText.empty()) return;
  uint32_t seconds = 0;
  if (!Guarded([&] { seconds = options::TimeoutSeconds(option); }, errorText)) return;

  // The whole request runs under the document's deadline: choosing the
  // application (which may start Word for its format lists), starting or
  // attaching to it, and the route. When it passes, the watchdog releases the
  // call the application holds and ends the application if the converter
  // started it (while it starts too); it does so again until the call has
  // returned, so that nothing the request gets hold of afterwards holds it
  // either. The request then fails with that reason, and the application is
  // not used again.
  const uint32_t caller = os::CurrentThreadId();
  std::atomic<TApplicationSlot*> waitingOn{nullptr};
  std::atomic<bool> ended{false};
  TApplicationSlot* slot = nullptr;
  bool routed = false;
  TOfficeApplications& apps = applications_;
  apps.DeadlinePassed = false;
  bool expired = false;
  std::exception_ptr failure;
  {
    TDeadline deadline(
        seconds * 1000,
        [&] {
          apps.DeadlinePassed = true;
          if (TApplicationSlot* s = waitingOn.load(); s && s->Interrupt(caller)) ended = true;
          // The route without Word waits on the format library, which has
          // no application to end: one that can stop its conversion is told to.
          if (apps.StopNoWordConvert()) ended = true;
        },
        TApplicationSlot::kRetryMs);
    try {
      std::string app = options::ChooseApplication(option);
      if (app.empty()) {
        // The source table is built from Word.
        waitingOn = &apps.WordApp;
        const Status chosen = quillet::ChooseSourceApplication(apps, Tables(), src, app);
        if (!chosen) errorText = chosen.message();
      }
      if (errorText.empty() && !deadline.Expired()) {
        // (The macro route runs every request that names no Office
        // application inside Word.)
        const bool macro = options::Has(option, options::kUseMacro);
        const std::optional<TApplication> id = ApplicationNamed(app);
        const bool inWord = macro && !(id && IsOfficeApplication(*id));
        slot = inWord ? &apps.WordApp : id ? apps.SlotOf(*id) : nullptr;
        waitingOn = slot;
        // A refusal must never read as success.
        Status started =
            id ? apps.StartApplication(*id) : Status(ErrorCode::UnsupportedFormat, texts::NoApplicationFor(src));
        if (started && inWord) started = apps.StartWord();
        if (!started) {
          errorText = started.message();
        } else if (!deadline.Expired()) {
          routed = true;
          ForgetCaughtErrors();
          Route(app, src, dest, destFormat, option, errorText);
        }
      }
    } catch (...) {
      failure = std::current_exception();
    }
    deadline.Disarm();
    expired = deadline.Expired();
  }  // the watchdog has ended here: what it did is visible

  if (expired && !waitingOn.load() && ended) {
    errorText = texts::DeadlinePassed(seconds) + texts::kFormatLibraryStopped;
    os::DeleteFile(dest);
    return;
  }
  if (TApplicationSlot* target = waitingOn.load(); expired && target) {
    errorText = texts::DeadlinePassed(seconds) + apps.DisplayName(*target) +
                (ended             ? texts::kApplicationEnded
                 : target->Started ? texts::kBorrowedApplicationHangs
                                   : texts::kApplicationDidNotStart);
    apps.GiveUp(*target, caller);
    // Whatever the application had begun to write is no result.
    os::DeleteFile(dest);
    return;
  }
  if (slot && routed && (failure || !errorText.empty())) {
    // The kind of the failure decides: the one that escaped, else the last
    // one the route kept as its error text.
    std::string reason = errorText;
    if (failure) {
      try {
        std::rethrow_exception(failure);
      } catch (...) {
        reason = CurrentErrorMessage();
      }
    }
    if (!slot->Alive(LastCaughtErrorCode())) {
      // The application ended under the conversion (or before it): this file
      // fails, the next request starts a new one.
      errorText = texts::ApplicationEnded(apps.DisplayName(*slot), reason);
      apps.GiveUp(*slot, caller);
      return;
    }
  }
  if (failure) std::rethrow_exception(failure);
}

void TOfficeConvertClass::Route(const std::string& app, const std::string& src, const std::string& dest,
                                const std::string& destFormat, const std::string& option, std::string& errorText) {
  // Read only once the application runs; an automation failure here reaches
  // the caller.
  if (app == options::kMsExcel && destFormat == formats::kExcelHtml &&
      BeforeOffice2000(applications_.OfficeApplication(TApplication::Excel))) {
    errorText = texts::kNeedOffice2000ForXls;
    return;
  }
  if (app == options::kMsPowerpoint && destFormat == formats::kPowerPointHtml &&
      BeforeOffice2000(applications_.OfficeApplication(TApplication::PowerPoint))) {
    errorText = texts::kNeedOffice2000ForPpt;
    return;
  }

  if (options::Has(option, options::kUseMacro)) {
    ConvertWithMacro(*this, app, src, dest, destFormat, option, errorText);
  } else if (app == options::kAdobeAcrobat) {
    ConvertWithAcrobat(*this, src, dest, destFormat, option, errorText);
  } else if (app != options::kNoMsWord) {
    ConvertOfficeDocument(*this, app, src, dest, destFormat, option, errorText);
  } else {
    ConvertWithoutWord(*this, src, dest, destFormat, option, errorText);
  }
}

}  // namespace quillet
