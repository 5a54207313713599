#include <string>
#include <string_view>

#include "FuzzTargets.h"
#include "engine/options/Options.h"
#include "imaging/ImageSettings.h"
#include "platform/error.h"

namespace quillet::fuzz {

int Options(const uint8_t* data, size_t size) {
  const std::string option(reinterpret_cast<const char*>(data), size);
  // The chosen application is a keyword the text holds, and none of the
  // keywords tested after it is in the text.
  const std::string app = options::ChooseApplication(option);
  const std::string_view order[] = {options::kMsWord, options::kMsExcel, options::kMsPowerpoint, options::kAdobeAcrobat,
                                    options::kNoMsWord};
  bool later = false;
  for (std::string_view keyword : order) {
    if (later) FUZZ_CHECK(option.find(keyword) == std::string::npos);
    later = later || keyword == app;
  }
  FUZZ_CHECK(app.empty() || later);
  FUZZ_CHECK(app.empty() || option.find(app) != std::string::npos);
  // Nothing is chosen only when no keyword is in the text.
  if (app.empty())
    for (std::string_view keyword : order) FUZZ_CHECK(option.find(keyword) == std::string::npos);

  // The open-format value follows the first "OPENFORMAT=" and runs to the
  // next CR LF or the end; without that marker it is empty or the text
  // before the first CR LF.
  const std::string value = options::OpenFormatValue(option);
  FUZZ_CHECK(value.find("\r\n") == std::string::npos);
  const std::string marker = "OPENFORMAT=";
  const size_t at = option.find(marker);
  const size_t begin = at == std::string::npos ? 0 : at + marker.size();
  if (at != std::string::npos || !value.empty()) {
    FUZZ_CHECK(option.compare(begin, value.size(), value) == 0);
    const size_t end = begin + value.size();
    FUZZ_CHECK(end == option.size() || option.compare(end, 2, "\r\n") == 0);
  }

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
