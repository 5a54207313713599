#include "utilities/Strings.h"

#include "platform/ascii.h"
#include "platform/error.h"

namespace quillet {

std::string LowerCase(std::string_view s) { return ascii::ToLower(s); }

std::string UpperCase(std::string_view s) {
  std::string r(s);
  for (auto& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}

bool SameText(std::string_view a, std::string_view b) { return ascii::SameText(a, b); }

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

namespace {
// Replaces the occurrences of From found in Haystack (S itself, or a copy of
// it with the same length in one letter case) by To.
std::string ReplaceFound(std::string_view s, std::string_view haystack, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(s);
  std::string r;
  size_t done = 0;
  for (size_t i = haystack.find(from); i != std::string_view::npos; i = haystack.find(from, done)) {
    r.append(s.substr(done, i - done));
    r.append(to);
    done = i + from.size();
  }
  r.append(s.substr(done));
  return r;
}
}  // namespace

std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
  return ReplaceFound(s, s, from, to);
}

std::string ReplaceAllText(std::string_view s, std::string_view from, std::string_view to) {
  return ReplaceFound(s, LowerCase(s), LowerCase(from), to);
}

int32_t StrToInt(std::string_view s) {
  auto fail = [&]() -> int32_t { throw Error("'" + std::string(s) + "' is not a valid integer value"); };
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return fail();
  int64_t value = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return fail();
    value = value * base + digit;
    // Hexadecimal texts may spell negative numbers as their 32-bit pattern.
    if (value > (base == 16 ? int64_t(0xFFFFFFFF) : int64_t(0x80000000))) return fail();
  }
  if (negative) value = -value;
  if (base == 16 && value > INT32_MAX) value -= int64_t(1) << 32;
  if (value > INT32_MAX || value < INT32_MIN) return fail();
  return static_cast<int32_t>(value);
}

std::string IntToStr(int64_t v) { return std::to_string(v); }

}  // namespace quillet
