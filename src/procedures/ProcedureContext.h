// What the conversion procedures may reach of the converter: the office
// applications it holds and the picture settings of a request. The procedures
// never start or quit an application themselves.
#pragma once

#include <string>

#include "imaging/ImageSettings.h"
#include "utilities/Automation.h"

namespace quillet {

class TProcedureContext {
 public:
  // The Application object held for "MS Word", "MS Excel" or "MS Powerpoint".
  // Raises Error for any other name or an application that is not held.
  virtual const ole::Variant& OfficeApplication(const std::string& appName) const = 0;
  // The picture settings with the image keywords of Option applied; raises
  // Error for a malformed keyword value.
  virtual ImageSettings ImageSettingsFor(const std::string& option) const = 0;

 protected:
  ~TProcedureContext() = default;
};

}  // namespace quillet
