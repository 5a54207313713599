#include "utilities/SysUtils.h"

namespace quillet {

std::string ExtractBetween(const std::string& text, const std::string& startMarker, const std::string& endMarker,
                           bool wholeIfMissing) {
  const size_t s = startMarker.empty() ? std::string::npos : text.find(startMarker);
  if (s == std::string::npos && wholeIfMissing) return text;
  const size_t begin = s == std::string::npos ? 0 : s + startMarker.size();
  const size_t e = endMarker.empty() ? std::string::npos : text.find(endMarker);
  if (e == std::string::npos) {
    if (wholeIfMissing) return text;
    return s != std::string::npos ? text.substr(begin) : std::string();
  }
  return e < begin ? std::string() : text.substr(begin, e - begin);
}

}  // namespace quillet
