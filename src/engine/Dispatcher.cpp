// The single-file dispatcher: validates the request, chooses the application
// (option keywords first, else the source's extension), makes sure it runs,
// refuses the two web-page saves that need Office 2000 or later, and hands the
// file to one of the four conversion routes. It converts nothing itself.
#include "engine/OfficeConvert.h"
#include "engine/Options.h"
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
