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
  if (startFound) {
    // The value ends at the first end marker after its start, whatever
    // comes before the start marker.
    const size_t begin = text.find(start) + start.size();
    const size_t e = end.empty() ? std::string::npos : text.find(end, begin);
    if (e != std::string::npos)
      FUZZ_CHECK(value == text.substr(begin, e - begin));
    else
      FUZZ_CHECK(value == (whole ? text : text.substr(begin)));
  } else if (whole) {
    FUZZ_CHECK(value == text);
  } else {
    FUZZ_CHECK(value == (endFound ? text.substr(0, text.find(end)) : std::string()));
  }
  return 0;
}

}  // namespace quillet::fuzz
