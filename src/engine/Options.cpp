#include "engine/Options.h"

#include <algorithm>

#include "platform/error.h"
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

uint32_t TimeoutSeconds(std::string_view option) {
  const size_t at = option.find(kTimeout);
  if (at == std::string_view::npos) return kDefaultTimeoutSeconds;
  const size_t begin = at + kTimeout.size();
  const size_t end = std::min(option.find_first_of(" \t\r\n,;", begin), option.size());
  const std::string_view value = option.substr(begin, end - begin);
  uint64_t seconds = 0;
  bool ok = !value.empty() && value.size() <= 5;
  for (char c : value) {
    ok = ok && c >= '0' && c <= '9';
    seconds = seconds * 10 + static_cast<uint64_t>(c - '0');
  }
  if (!ok || seconds < 1 || seconds > 86400)
    throw Error("Invalid value '" + std::string(value) + "' for TIMEOUT= (whole seconds from 1 to 86400)");
  return static_cast<uint32_t>(seconds);
}

}  // namespace quillet::options
