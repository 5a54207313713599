#include "engine/OfficeConvert.h"

#include "engine/Options.h"

namespace quillet {

TOfficeConvertClass::TOfficeConvertClass() { PostScriptPrinter.clear(); }

TOfficeConvertClass::~TOfficeConvertClass() { CloseApplications(); }

bool TOfficeConvertClass::StartApplication(const std::string& appName, std::string& errorText) {
  TConvertBaseClass::StartApplication(appName, errorText);
  // Application control is not part of this build yet: say so rather than
  // pretend that an application is ready.
  for (auto name : {options::kMsWord, options::kMsExcel, options::kMsPowerpoint, options::kAdobeAcrobat,
                    options::kNoMsWord}) {
    if (appName == name) {
      errorText = "Can not start \"" + appName + "\": application control is not available in this build";
      return false;
    }
  }
  return false;
}

bool TOfficeConvertClass::CloseApplications() {
  TConvertBaseClass::CloseApplications();
  return true;
}

void TOfficeConvertClass::GetSupportReport(std::string& text) { text.clear(); }

void TOfficeConvertClass::ConvertDocument(const std::string& src, const std::string& dest,
                                          const std::string& destFormat, const std::string& option,
                                          std::string& errorText) {
  TConvertBaseClass::ConvertDocument(src, dest, destFormat, option, errorText);
  if (!errorText.empty()) return;
  std::string app = options::ChooseApplication(option);
  if (app.empty()) app = std::string(options::kMsWord);
  StartApplication(app, errorText);
  if (errorText.empty()) errorText = "No conversion route for \"" + app + "\" in this build";
}

void TOfficeConvertClass::GetField(const std::string&, const std::string&, std::string&, std::string&) {}

void TOfficeConvertClass::ReservedSlot10() {}

}  // namespace quillet
