// The routes that this build does not carry yet: the macro-driven
// conversion, Acrobat's, and the one without Word. Each refuses the request
// with a text that names what is missing; none reports a conversion that did
// not happen.
#include "engine/OfficeConvert.h"

namespace quillet {

void TOfficeConvertClass::ConvertWithMacro(const std::string&, const std::string&, const std::string&,
                                           const std::string&, const std::string&, std::string& errorText) {
  errorText =
      "The macro route (USEMACRO) is not available in this build: it needs the job file and the template "
      "macro of the macro-driven conversion";
}

void TOfficeConvertClass::ConvertWithAcrobat(const std::string&, const std::string&, const std::string&,
                                             const std::string&, std::string& errorText) {
  errorText = "Conversion through Adobe Acrobat is not available in this build: it needs Acrobat control and "
              "its plug-in bridge";
}

void TOfficeConvertClass::ConvertWithoutWord(const std::string&, const std::string&, const std::string&,
                                             const std::string&, std::string& errorText) {
  errorText = "Conversion without Word (No MS Word) is not available in this build: it needs the format "
              "library route";
}

}  // namespace quillet
