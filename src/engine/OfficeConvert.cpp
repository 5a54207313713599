#include "engine/OfficeConvert.h"

#include <optional>

#include "platform/status.h"
#include "utilities/ApplicationTable.h"

namespace quillet {

TOfficeConvertClass::TOfficeConvertClass() = default;

TOfficeConvertClass::~TOfficeConvertClass() { CloseApplications(); }

// The operations below keep the error text of their contract; the
// applications and the format tables answer a Status.
bool TOfficeConvertClass::StartApplication(const std::string& appName, std::string& errorText) {
  TConvertBaseClass::StartApplication(appName, errorText);
  // Any other name is no application: false, with the text unchanged.
  const std::optional<TApplication> app = ApplicationNamed(appName);
  if (!app) return false;
  // Starting Acrobat has always emptied the text first, unless Acrobat is
  // held already: its callers see that still.
  if (*app == TApplication::Acrobat && !applications_.Held(*app)) errorText.clear();
  const Status started = applications_.StartApplication(*app);
  if (!started) errorText = started.message();
  return started.ok();
}

bool TOfficeConvertClass::CloseApplications() {
  TConvertBaseClass::CloseApplications();
  applications_.CloseApplications();
  return true;
}

// ConvertDocument: Dispatcher.cpp; ConvertFolderContents: FolderConvert.cpp.

void TOfficeConvertClass::GetField(const std::string& fieldName, const std::string&, std::string& errorText,
                                   std::string& value) {
  // Any other name leaves both outputs unchanged, and so does a list answered
  // from its table: the error text is the outcome of building the tables.
  const bool source = fieldName == "sourceformatlist";
  if (!source && fieldName != "destformatlist") return;
  const bool builds = source ? sourceFormats().empty() : destFormats().empty();
  const Status answered = Field(fieldName, value);
  if (builds || !answered.ok()) errorText = answered.message();
}

Status TOfficeConvertClass::Field(const std::string& fieldName, std::string& value) {
  // Exact names only: "SourceFormatList" is not one of them.
  if (fieldName == "sourceformatlist") return GetSourceFormatListText(applications_, Tables(), value);
  if (fieldName == "destformatlist") return GetDestFormatListText(applications_, Tables(), value);
  if (fieldName == "substitutedfonts") value = fonts_.Substituted;
  if (fieldName == "fallbackfonts") value = fonts_.Fallbacks;
  return Status::Ok();
}

Status TOfficeConvertClass::ChooseSourceApplication(const std::string& src, std::string& appName) {
  return quillet::ChooseSourceApplication(applications_, Tables(), src, appName);
}

ImageSettings TOfficeConvertClass::ImageSettingsFor(const std::string& option) const {
  return ParseImageSettings(option, settings_.Pictures);
}

}  // namespace quillet
