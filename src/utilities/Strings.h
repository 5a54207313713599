// Small text helpers with the library's rules: ASCII-only case mapping (the
// bytes of other code pages stay as they are), whole-text integer conversion.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

std::string LowerCase(std::string_view s);              // A-Z to a-z, other bytes unchanged
std::string UpperCase(std::string_view s);              // a-z to A-Z, other bytes unchanged
bool SameText(std::string_view a, std::string_view b);  // equal apart from ASCII letter case

inline bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// Text without its leading and trailing bytes of code 32 or less (blanks and
// control characters).
std::string Trim(std::string_view s);

// Every occurrence of From replaced by To, found from left to right in the
// original text (a replacement is not searched again). ReplaceAllText finds
// From without regard to ASCII letter case. An empty From changes nothing.
std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to);
std::string ReplaceAllText(std::string_view s, std::string_view from, std::string_view to);

// Whole-text integer conversion: optional blanks in front, a sign, decimal
// digits or "$"/"0x" hexadecimal, nothing after. Raises Error
// "'<text>' is not a valid integer value" otherwise, or when out of range.
int32_t StrToInt(std::string_view s);

std::string IntToStr(int64_t v);

}  // namespace quillet
