#include "engine/OfficeConvert.h"

#include "engine/Options.h"

namespace quillet {

TOfficeConvertClass::TOfficeConvertClass() { PostScriptPrinter.clear(); }

TOfficeConvertClass::~TOfficeConvertClass() { CloseApplications(); }

// StartApplication and CloseApplications: src/applications/OfficeApplications.cpp.

void TOfficeConvertClass::GetSupportReport(std::string& text) { text.clear(); }

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
  // The conversion procedures are not part of this build yet: the request is
  // refused rather than reported as converted.
  errorText = "No conversion route for \"" + app + "\" in this build";
}

// GetField: src/applications/FormatDiscovery.cpp.

void TOfficeConvertClass::ReservedSlot10() {}

}  // namespace quillet
