// The single-file dispatcher: validates the request, chooses the application
// (option keywords first, else the source's extension), makes sure it runs,
// refuses the two web-page saves that need Office 2000 or later, and hands the
// file to one of the four conversion routes under the document's deadline.
// It converts nothing itself.
#include "engine/Deadline.h"
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

std::string DisplayName(const std::string& app) {
  if (app == options::kMsWord) return "Microsoft Word";
  if (app == options::kMsExcel) return "Microsoft Excel";
  if (app == options::kMsPowerpoint) return "Microsoft PowerPoint";
  return app;
}

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

  std::string app = options::ChooseApplication(option);
  if (app.empty()) {
    ChooseSourceApplication(src, errorText, app);
    if (!errorText.empty()) return;
  }
  if (!StartApplication(app, errorText)) {
    // A refusal must never read as success.
    if (errorText.empty()) errorText = "No application can convert \"" + src + "\"";
    return;
  }

  // The route runs under the document's deadline. When it passes, the
  // watchdog releases the call the application holds and ends the
  // application if the converter started it; the request then fails with
  // that reason, and the application is not used again.
  // (The macro route runs every request that names no Office application
  // inside Word.)
  const bool inWord = options::Has(option, options::kUseMacro) && !OfficeSlot(app);
  const std::string working = inWord ? std::string(options::kMsWord) : app;
  TApplicationSlot* slot = OfficeSlot(working);
  // Word is started here, as every application is, before the watchdog
  // exists: it must see the slot complete.
  if (inWord && !StartWord(errorText)) return;
  const uint32_t caller = os::CurrentThreadId();
  bool ended = false;
  bool expired = false;
  std::exception_ptr failure;
  {
    TDeadline deadline(seconds * 1000, [&] {
      if (slot) ended = slot->Interrupt(caller);
    });
    try {
      Route(app, src, dest, destFormat, option, errorText);
    } catch (...) {
      failure = std::current_exception();
    }
    deadline.Disarm();
    expired = deadline.Expired();
  }  // the watchdog has ended here: what it did is visible

  if (slot && expired) {
    errorText = "The document took longer than its deadline of " + IntToStr(seconds) + " seconds: " +
                DisplayName(working) +
                (ended ? " was ended" : " does not answer and is no longer used; it was not started by the converter");
    slot->GiveUp();
    // Whatever the application had begun to write is no result.
    os::DeleteFile(dest);
    return;
  }
  if (slot && (failure || !errorText.empty())) {
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
      errorText = DisplayName(working) + " ended during the conversion: " + reason;
      slot->GiveUp();
      return;
    }
  }
  if (failure) std::rethrow_exception(failure);
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
