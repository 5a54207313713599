// The Acrobat route: not in this build yet. It refuses the request with a text
// that names what is missing and never reports a conversion that did not happen.
#include "engine/OfficeConvert.h"

namespace quillet {

void TOfficeConvertClass::ConvertWithAcrobat(const std::string&, const std::string&, const std::string&,
                                             const std::string&, std::string& errorText) {
  errorText = "Conversion through Adobe Acrobat is not available in this build: it needs Acrobat control and "
              "its plug-in bridge";
}

}  // namespace quillet
