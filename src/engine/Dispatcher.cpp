// The single-file dispatcher: validates the request, chooses the application
// (option keywords first, else the source's extension), makes sure it runs,
// refuses the two web-page saves that need Office 2000 or later, and hands the
// file to one of the four conversion routes under the document's deadline.
// It converts nothing itself.
#include <atomic>

#include "utilities/Deadline.h"
#include "engine/OfficeConvert.h"
#include "engine/Options.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "utilities/Guarded.h"
#include "utilities/Strings.h"
#include "utilities/SysUtils.h"

namespace quillet {

namespace {

// True when the application's major version is below 9 (Office 2000); an
// unreadable version text (-1) counts as too old.
bool BeforeOffice2000(const ole::Variant& app) { return ParseVersionNumber(app.Get("Version").AsString()) < 9; }

}  // namespace

TApplicationSlot* TOfficeConvertClass::OfficeSlot(const std::string& appName) {
  if (appName == options::kMsWord) return &WordApp;
  if (appName == options::kMsExcel) return &ExcelApp;
  if (appName == options::kMsPowerpoint) return &PowerPointApp;
  return nullptr;
}

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
  DeadlinePassed = false;
  bool expired = false;
  std::exception_ptr failure;
  {
    TDeadline deadline(
        seconds * 1000,
        [&] {
          DeadlinePassed = true;
          if (TApplicationSlot* s = waitingOn.load(); s && s->Interrupt(caller)) ended = true;
          // The route without Word waits on the format library, which has
          // no application to end: one that can stop its conversion is told to.
          if (NoWordAbortProc && BridgeConverting.exchange(false)) {
            NoWordAbortProc();
            ended = true;
          }
        },
        TApplicationSlot::kRetryMs);
    try {
      std::string app = options::ChooseApplication(option);
      if (app.empty()) {
        // The source table is built from Word.
        waitingOn = &WordApp;
        ChooseSourceApplication(src, errorText, app);
      }
      if (errorText.empty() && !deadline.Expired()) {
        // (The macro route runs every request that names no Office
        // application inside Word.)
        const bool inWord = options::Has(option, options::kUseMacro) && !OfficeSlot(app);
        slot = OfficeSlot(inWord ? std::string(options::kMsWord) : app);
        if (app == options::kAdobeAcrobat && !options::Has(option, options::kUseMacro)) slot = &AcrobatServer;
        waitingOn = slot;
        if (!StartApplication(app, errorText)) {
          // A refusal must never read as success.
          if (errorText.empty()) errorText = "No application can convert \"" + src + "\"";
        } else if ((!inWord || StartWord(errorText)) && !deadline.Expired()) {
          routed = true;
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
    errorText = "The document took longer than its deadline of " + IntToStr(seconds) +
                " seconds: the format library's conversion was stopped";
    os::DeleteFile(dest);
    return;
  }
  if (TApplicationSlot* target = waitingOn.load(); expired && target) {
    errorText = "The document took longer than its deadline of " + IntToStr(seconds) + " seconds: " +
                DisplayName(*target) +
                (ended            ? " was ended"
                 : target->Started ? " does not answer and is no longer used; it was not started by the converter"
                                   : " did not start in time");
    GiveUp(*target, caller);
    // Whatever the application had begun to write is no result.
    os::DeleteFile(dest);
    return;
  }
  if (slot && routed && (failure || !errorText.empty())) {
    std::string reason = errorText;
    if (failure) {
      try {
        std::rethrow_exception(failure);
      } catch (...) {
        reason = CurrentErrorMessage();
      }
    }
    if (!slot->Alive(reason)) {
      // The application ended under the conversion (or before it): this file
      // fails, the next request starts a new one.
      errorText = DisplayName(*slot) + " ended during the conversion: " + reason;
      GiveUp(*slot, caller);
      return;
    }
  }
  if (failure) std::rethrow_exception(failure);
}

std::string TOfficeConvertClass::DisplayName(const TApplicationSlot& slot) const {
  if (&slot == &AcrobatServer) return "Adobe Acrobat";
  if (&slot == &ExcelApp) return "Microsoft Excel";
  if (&slot == &PowerPointApp) return "Microsoft PowerPoint";
  return "Microsoft Word";
}

void TOfficeConvertClass::GiveUp(TApplicationSlot& slot, uint32_t threadId) {
  if (&slot != &AcrobatServer) {
    slot.GiveUp(threadId);
    return;
  }
  if (!AcrobatServer.Started) return;
  // The bridge has no window to show again. A bridge of the converter's own
  // has been ended (or has died): its reference is released; one it attached
  // to may not answer a release and is let go without one.
  if (AcrobatServer.Created) {
    Ignoring([&] { AcrobatBridge = ole::Variant(); });
  } else {
    AcrobatBridge.Leak();
  }
  AcrobatStarted = false;
  AcrobatServer.GiveUp(threadId, TApplicationSlot::kNotShown);
}

void TOfficeConvertClass::Route(const std::string& app, const std::string& src, const std::string& dest,
                                const std::string& destFormat, const std::string& option, std::string& errorText) {
  // Read only once the application runs; an automation failure here reaches
  // the caller.
  if (app == options::kMsExcel && destFormat == "44" && BeforeOffice2000(ExcelApp.Object)) {
    errorText = "You must Install MS office 2000 or above, so you can convert xls to html, please try again!";
    return;
  }
  if (app == options::kMsPowerpoint && destFormat == "12" && BeforeOffice2000(PowerPointApp.Object)) {
    errorText = "You must Install MS office 2000 or above, so you can convert ppt to html, please try again!";
    return;
  }

  if (options::Has(option, options::kUseMacro)) {
    ConvertWithMacro(app, src, dest, destFormat, option, errorText);
  } else if (app == options::kAdobeAcrobat) {
    ConvertWithAcrobat(src, dest, destFormat, option, errorText);
  } else if (app != options::kNoMsWord) {
    ConvertOfficeDocument(app, src, dest, destFormat, option, errorText);
  } else {
    ConvertWithoutWord(src, dest, destFormat, option, errorText);
  }
}

}  // namespace quillet
