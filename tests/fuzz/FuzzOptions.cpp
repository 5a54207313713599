#include <string>

#include "FuzzTargets.h"
#include "engine/Options.h"
#include "imaging/ImageSettings.h"
#include "platform/error.h"
#include "utilities/SysUtils.h"

namespace quillet::fuzz {

int Options(const uint8_t* data, size_t size) {
  const std::string option(reinterpret_cast<const char*>(data), size);
  const std::string app = options::ChooseApplication(option);
  FUZZ_CHECK(app.empty() || app == options::kMsWord || app == options::kMsExcel || app == options::kMsPowerpoint ||
             app == options::kAdobeAcrobat || app == options::kNoMsWord);
  FUZZ_CHECK(app.empty() == !(options::Has(option, options::kMsWord) || options::Has(option, options::kMsExcel) ||
                              options::Has(option, options::kMsPowerpoint) ||
                              options::Has(option, options::kAdobeAcrobat)));
  // "No MS Word" holds "MS Word": whenever it is there it wins.
  if (options::Has(option, options::kNoMsWord)) FUZZ_CHECK(app == options::kNoMsWord);

  const std::string value = options::OpenFormatValue(option);
  FUZZ_CHECK(value == ExtractBetween(option, "OPENFORMAT=", "\r\n", false));
  FUZZ_CHECK(option.find(value) != std::string::npos);
  FUZZ_CHECK(value.find("\r\n") == std::string::npos);

  try {
    const ImageSettings s = ParseImageSettings(option);
    FUZZ_CHECK(s.JpegQuality >= 1 && s.JpegQuality <= 100);
    FUZZ_CHECK(s.JpegWidth != 0 && s.JpegHeight != 0 && s.GifWidth != 0 && s.GifHeight != 0);
  } catch (const Error& e) {
    FUZZ_CHECK(std::string(e.what()).rfind("Invalid value '", 0) == 0);
  }
  return 0;
}

}  // namespace quillet::fuzz
