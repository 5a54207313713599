// The route without Word: not in this build yet. It refuses the request with a
// text that names what is missing and never reports a conversion that did not
// happen.
#include "engine/OfficeConvert.h"

namespace quillet {

void TOfficeConvertClass::ConvertWithoutWord(const std::string&, const std::string&, const std::string&,
                                             const std::string&, std::string& errorText) {
  errorText = "Conversion without Word (No MS Word) is not available in this build: it needs the format "
              "library route";
}

}  // namespace quillet
