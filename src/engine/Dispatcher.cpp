// The single-file dispatcher: validates the request, chooses the application
// (option keywords first, else the source's extension), makes sure it runs,
// refuses the two web-page saves that need Office 2000 or later, and hands the
// file to one of the four conversion routes under the document's deadline.
// It converts nothing itself.
#include <exception>
#include <optional>

#include "applications/RequestDeadline.h"
#include "engine/OfficeConvert.h"
#include "engine/formatlib/FormatCodes.h"
#include "engine/options/Request.h"
#include "platform/status.h"
#include "procedures/Routes.h"
#include "utilities/ApplicationTable.h"
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
Status StartFor(TOfficeApplications& applications, std::optional<TApplication> app, bool macro, const std::string& src,
                TRequestDeadline& deadline) {
  const bool inWord = macro && !(app && IsOfficeApplication(*app));
  deadline.WaitOn(inWord ? std::optional(TApplication::Word) : app);
  // A refusal must never read as success.
  if (!app) return Status(ErrorCode::UnsupportedFormat, texts::NoApplicationFor(src));
  Status started = applications.StartApplication(*app);
  if (started && inWord) started = applications.StartWord();
  return started;
}

// What the route came to, for the deadline to judge: the failure that escaped
// it, else the outcome it returned.
Status RouteResult(const std::exception_ptr& failure, const Status& outcome) {
  if (!failure) return outcome;
  try {
    std::rethrow_exception(failure);
  } catch (...) {
    return Status::OfCurrentException();
  }
}

}  // namespace

// The operation's error text (its callers' contract) is the outcome's text.
void TOfficeConvertClass::ConvertDocument(const std::string& src, const std::string& dest,
                                          const std::string& destFormat, const std::string& option,
                                          std::string& errorText) {
  errorText = Convert(TConversionRequest::Parse(src, dest, destFormat, option)).message();
}

Status TOfficeConvertClass::Convert(const TConversionRequest& request) {
  // The fonts are those of this request's document, or none.
  fonts_ = {};
  if (Status valid = ValidateRequest(request.Src, request.Dest, request.Format.Text(), request.Options.Text); !valid)
    return valid;
  uint32_t seconds = 0;
  if (Status read = Capture([&] { seconds = request.Options.TimeoutSeconds.Get(); }); !read) return read;

  // The whole request runs under the document's deadline: choosing the
  // application (which may start Word for its format lists), starting or
  // attaching to it, and the route. When it passes, the request fails with
  // that reason, and the application it waited on is not used again.
  TRequestDeadline deadline(applications_, seconds);
  bool routed = false;
  Status outcome;
  std::exception_ptr failure;
  try {
    std::optional<TApplication> app = request.Options.Application;
    if (!app) {
      // The source table is built from Word.
      deadline.WaitOn(TApplication::Word);
      std::string chosen;
      outcome = quillet::ChooseSourceApplication(applications_, Tables(), request.Src, chosen);
      app = ApplicationNamed(chosen);
    }
    if (outcome && !deadline.Expired()) {
      outcome = StartFor(applications_, app, request.Options.UseMacro, request.Src, deadline);
      if (outcome && !deadline.Expired()) {
        routed = true;
        outcome = Route(*app, request);
      }
    }
  } catch (...) {
    failure = std::current_exception();
  }
  deadline.Disarm();

  const Status judged =
      deadline.Outcome(request.Dest, routed ? std::optional(RouteResult(failure, outcome)) : std::nullopt);
  if (!judged) return judged;
  if (failure) std::rethrow_exception(failure);
  return outcome;
}

Status TOfficeConvertClass::Route(TApplication app, const TConversionRequest& request) {
  // Read only once the application runs; an automation failure here reaches
  // the caller.
  if (app == TApplication::Excel && request.Format == formats::kExcelHtml &&
      BeforeOffice2000(applications_.OfficeApplication(TApplication::Excel)))
    return Status(ErrorCode::UnsupportedFormat, texts::kNeedOffice2000ForXls);
  if (app == TApplication::PowerPoint && request.Format == formats::kPowerPointHtml &&
      BeforeOffice2000(applications_.OfficeApplication(TApplication::PowerPoint)))
    return Status(ErrorCode::UnsupportedFormat, texts::kNeedOffice2000ForPpt);

  if (request.Options.UseMacro) return ConvertWithMacro(*this, app, request);
  switch (app) {
    case TApplication::Acrobat:
      return ConvertWithAcrobat(*this, request);
    case TApplication::NoWord:
      return ConvertWithoutWord(*this, request);
    default:
      return ConvertOfficeDocument(*this, app, request);
  }
}

}  // namespace quillet
