#include "engine/OfficeConvert.h"

#include <optional>

#include "platform/status.h"
#include "utilities/ApplicationTable.h"

namespace quillet {

namespace {

// The format tables' routines answer a Status; the callers of these
// operations read a text, which a build of the tables sets (empty when it
// succeeded) and an answer from tables already filled leaves alone.
void KeepText(bool built, const Status& status, std::string& errorText) {
  if (built || !status) errorText = status.message();
}

}  // namespace

TOfficeConvertClass::TOfficeConvertClass() = default;

TOfficeConvertClass::~TOfficeConvertClass() { CloseApplications(); }

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
  // Exact names only: "SourceFormatList" is not one of them.
  if (fieldName == "sourceformatlist") {
    const bool builds = Sources().empty();
    KeepText(builds, GetSourceFormatListText(applications_, Tables(), value), errorText);
  } else if (fieldName == "destformatlist") {
    const bool builds = Dests().empty();
    KeepText(builds, GetDestFormatListText(applications_, Tables(), value), errorText);
  }
}

void TOfficeConvertClass::ChooseSourceApplication(const std::string& src, std::string& errorText,
                                                  std::string& appName) {
  const bool builds = Sources().empty();
  KeepText(builds, quillet::ChooseSourceApplication(applications_, Tables(), src, appName), errorText);
}

ImageSettings TOfficeConvertClass::ImageSettingsFor(const std::string& option) const {
  return ParseImageSettings(option, settings_.Pictures);
}

}  // namespace quillet
