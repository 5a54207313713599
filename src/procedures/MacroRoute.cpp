// The macro-driven route: not in this build yet. It refuses the request with a
// text that names what is missing and never reports a conversion that did not
// happen.
#include "engine/OfficeConvert.h"

namespace quillet {

void TOfficeConvertClass::ConvertWithMacro(const std::string&, const std::string&, const std::string&,
                                           const std::string&, const std::string&, std::string& errorText) {
  errorText =
      "The macro route (USEMACRO) is not available in this build: it needs the job file and the template "
      "macro of the macro-driven conversion";
}

}  // namespace quillet
