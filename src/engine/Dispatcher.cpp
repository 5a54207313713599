// The single-file dispatcher: validates the request, chooses the application
// (option keywords first, else the source's extension), makes sure it runs,
// refuses the two web-page saves that need Office 2000 or later, and hands the
// file to one of the four conversion routes under the document's deadline.
// It converts nothing itself.
#include <exception>
#include <optional>

#include "applications/RequestDeadline.h"
#include "engine/OfficeConvert.h"
#include "engine/options/Options.h"
#include "engine/formatlib/FormatCodes.h"
#include "platform/status.h"
#include "procedures/Routes.h"
#include "utilities/ApplicationTable.h"
#include "utilities/Guarded.h"
#include "utilities/Messages.h"
#include "utilities/Strings.h"
#include "utilities/SysUtils.h"

namespace quillet {

namespace {

// True when the application's major version is below 9 (Office 2000); an
// unreadable version text (-1) counts as too old.
bool BeforeOffice2000(const ole::Variant& app) { return ParseVersionNumber(app.Get("Version").AsString()) < 9; }

// Makes App ready for the request, and Word too when the macro route runs it
// there (it runs every request that names no Office application inside Word),
// telling the deadline what the request waits on meanwhile.
Status StartFor(TOfficeApplications& applications, const std::string& app, bool macro, const std::string& src,
                TRequestDeadline& deadline) {
  const std::optional<TApplication> id = ApplicationNamed(app);
  const bool inWord = macro && !(id && IsOfficeApplication(*id));
  deadline.WaitOn(inWord ? std::optional(TApplication::Word) : id);
  // A refusal must never read as success.
  if (!id) return Status(ErrorCode::UnsupportedFormat, texts::NoApplicationFor(src));
  Status started = applications.StartApplication(*id);
  if (started && inWord) started = applications.StartWord();
  return started;
}

// What the route came to, for the deadline to judge: the failure that escaped
// it, else the error text it kept, of the kind of the last failure caught.
Status RouteResult(const std::exception_ptr& failure, const std::string& errorText) {
  std::string reason = errorText;
  if (failure) {
    try {
      std::rethrow_exception(failure);
    } catch (...) {
      reason = CurrentErrorMessage();
    }
  }
  return reason.empty() ? Status::Ok() : Status(LastCaughtErrorCode(), reason);
}

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
  // attaching to it, and the route. When it passes, the request fails with
  // that reason, and the application it waited on is not used again.
  TRequestDeadline deadline(applications_, seconds);
  bool routed = false;
  std::exception_ptr failure;
  try {
    std::string app = options::ChooseApplication(option);
    Status ready;
    if (app.empty()) {
      // The source table is built from Word.
      deadline.WaitOn(TApplication::Word);
      ready = quillet::ChooseSourceApplication(applications_, Tables(), src, app);
    }
    if (ready && !deadline.Expired()) {
      ready = StartFor(applications_, app, options::Has(option, options::kUseMacro), src, deadline);
      if (ready && !deadline.Expired()) {
        routed = true;
        ForgetCaughtErrors();
        Route(app, src, dest, destFormat, option, errorText);
      }
    }
    if (!ready) errorText = ready.message();
  } catch (...) {
    failure = std::current_exception();
  }
  deadline.Disarm();

  const Status outcome = deadline.Outcome(dest, routed ? std::optional(RouteResult(failure, errorText)) : std::nullopt);
  if (!outcome) {
    errorText = outcome.message();
    return;
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
