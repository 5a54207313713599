#include "engine/Options.h"

#include "utilities/SysUtils.h"

namespace quillet::options {

bool Has(std::string_view option, std::string_view keyword) { return option.find(keyword) != std::string_view::npos; }

std::string ChooseApplication(std::string_view option) {
  std::string app;
  for (auto name : {kMsWord, kMsExcel, kMsPowerpoint, kAdobeAcrobat, kNoMsWord})
    if (Has(option, name)) app = name;
  return app;
}

std::string OpenFormatValue(const std::string& option) {
  return ExtractBetween(option, std::string(kOpenFormatValue), "\r\n", false);
}

}  // namespace quillet::options
