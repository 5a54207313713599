// ASCII letter case: A-Z and a-z map onto each other, every other byte (the
// letters of other code pages included) stays as it is, whatever the C
// locale. The one case mapping of the library, its COM server and the test
// doubles; utilities' LowerCase and SameText forward to it.
#pragma once

#include <string>
#include <string_view>

namespace quillet::ascii {

constexpr char ToLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string ToLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = ToLower(c);
  return lower;
}

// Equal apart from ASCII letter case.
constexpr bool SameLetter(char a, char b) { return ToLower(a) == ToLower(b); }

inline bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!SameLetter(a[i], b[i])) return false;
  return true;
}

}  // namespace quillet::ascii
