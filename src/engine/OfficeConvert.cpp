#include "engine/OfficeConvert.h"

#include "engine/Options.h"
#include "platform/error.h"
#include "procedures/OfficeProcedure.h"

namespace quillet {

TOfficeConvertClass::TOfficeConvertClass() = default;

TOfficeConvertClass::~TOfficeConvertClass() { CloseApplications(); }

// StartApplication and CloseApplications: src/applications/OfficeApplications.cpp.

void TOfficeConvertClass::GetSupportReport(std::string& text) { text.clear(); }

// ConvertDocument: Dispatcher.cpp; ConvertFolderContents: FolderConvert.cpp;
// GetField: src/applications/FormatDiscovery.cpp.

void TOfficeConvertClass::ReservedSlot10() {}

void TOfficeConvertClass::ConvertOfficeDocument(const std::string& appName, const std::string& src,
                                                const std::string& dest, const std::string& destFormat,
                                                const std::string& option, std::string& errorText) {
  quillet::ConvertOfficeDocument(*this, appName, src, dest, destFormat, option, errorText);
}

const ole::Variant& TOfficeConvertClass::OfficeApplication(const std::string& appName) const {
  const TApplicationSlot* slot = appName == options::kMsWord        ? &WordApp
                                 : appName == options::kMsExcel     ? &ExcelApp
                                 : appName == options::kMsPowerpoint ? &PowerPointApp
                                                                     : nullptr;
  if (!slot) throw Error("\"" + appName + "\" is not an Office application");
  if (!slot->Started) throw Error(appName + " is not running");
  return slot->Object;
}

}  // namespace quillet
