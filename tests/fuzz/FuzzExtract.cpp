#include <string>

#include "FuzzTargets.h"
#include "utilities/SysUtils.h"

namespace quillet::fuzz {

// Input: flag byte, then text, start marker and end marker separated by NULs.
int Extract(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool whole = data[0] & 1;
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t a = rest.find('\0');
  const size_t b = a == std::string::npos ? std::string::npos : rest.find('\0', a + 1);
  const std::string text = rest.substr(0, a);
  const std::string start = a == std::string::npos ? "" : rest.substr(a + 1, b == std::string::npos ? b : b - a - 1);
  const std::string end = b == std::string::npos ? "" : rest.substr(b + 1);

  const std::string value = ExtractBetween(text, start, end, whole);
  FUZZ_CHECK(text.find(value) != std::string::npos);
  const bool startFound = !start.empty() && text.find(start) != std::string::npos;
  const bool endFound = !end.empty() && text.find(end) != std::string::npos;
  if (whole && (!startFound || !endFound)) FUZZ_CHECK(value == text);
  if (startFound && endFound) {
    const size_t begin = text.find(start) + start.size();
    const size_t e = text.find(end);
    FUZZ_CHECK(value == (e < begin ? std::string() : text.substr(begin, e - begin)));
  }
  if (!whole && !startFound && endFound) FUZZ_CHECK(value == text.substr(0, text.find(end)));
  return 0;
}

}  // namespace quillet::fuzz
