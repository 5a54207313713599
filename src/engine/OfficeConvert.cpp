#include "engine/OfficeConvert.h"

namespace quillet {

TOfficeConvertClass::TOfficeConvertClass() = default;

TOfficeConvertClass::~TOfficeConvertClass() { CloseApplications(); }

bool TOfficeConvertClass::StartApplication(const std::string& appName, std::string& errorText) {
  TConvertBaseClass::StartApplication(appName, errorText);
  return applications_.StartApplication(appName, errorText);
}

bool TOfficeConvertClass::CloseApplications() {
  TConvertBaseClass::CloseApplications();
  applications_.CloseApplications();
  return true;
}

// ConvertDocument: Dispatcher.cpp; ConvertFolderContents: FolderConvert.cpp.

void TOfficeConvertClass::GetField(const std::string& fieldName, const std::string&, std::string& errorText,
                                   std::string& value) {
  // Exact names only: "SourceFormatList" is not one of them.
  if (fieldName == "sourceformatlist")
    GetSourceFormatListText(applications_, Tables(), errorText, value);
  else if (fieldName == "destformatlist")
    GetDestFormatListText(applications_, Tables(), errorText, value);
}

void TOfficeConvertClass::ChooseSourceApplication(const std::string& src, std::string& errorText,
                                                  std::string& appName) {
  quillet::ChooseSourceApplication(applications_, Tables(), src, errorText, appName);
}

ImageSettings TOfficeConvertClass::ImageSettingsFor(const std::string& option) const {
  return ParseImageSettings(option, settings_.Pictures);
}

}  // namespace quillet
