#include "imaging/ImageSettings.h"

#include <string>

#include "platform/error.h"

namespace quillet {

namespace {

constexpr std::string_view kValueEnd = " \t\r\n,;";

// The value that starts at KeywordEnd: the text up to the first end character
// (empty when the value is missing).
std::string_view ValueAfter(std::string_view option, size_t keywordEnd) {
  const std::string_view rest = option.substr(keywordEnd);
  return rest.substr(0, rest.find_first_of(kValueEnd));
}

[[noreturn]] void BadValue(std::string_view keyword, std::string_view value, std::string_view expected) {
  throw Error(
      "Invalid value '" + std::string(value) + "' for " + std::string(keyword) + " (" + std::string(expected) + ")",
      ErrorCode::InvalidOption);
}

// A whole decimal number with an optional sign, within 32 bits.
bool ParseDecimal(std::string_view text, int64_t& value) {
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) i = 1;
  if (i == text.size()) return false;
  value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
    if (value > int64_t(1) << 31) return false;
  }
  if (negative) value = -value;
  return value >= INT32_MIN && value <= INT32_MAX;
}

// Applies "KEYWORD=<n>" when present; N must lie within Low..High and not be 0
// when NonZero.
void ReadInteger(std::string_view option, std::string_view keyword, int32_t& field, int64_t low, int64_t high,
                 bool nonZero, std::string_view expected) {
  const size_t at = option.find(keyword);
  if (at == std::string_view::npos) return;
  const std::string_view value = ValueAfter(option, at + keyword.size());
  int64_t n;
  if (!ParseDecimal(value, n) || n < low || n > high || (nonZero && n == 0)) BadValue(keyword, value, expected);
  field = int32_t(n);
}

// Applies "KEYWORD", "KEYWORD=1" or "KEYWORD=0" when present.
void ReadSwitch(std::string_view option, std::string_view keyword, bool& field) {
  const size_t at = option.find(keyword);
  if (at == std::string_view::npos) return;
  const size_t end = at + keyword.size();
  if (end == option.size() || option[end] != '=') {
    field = true;
    return;
  }
  const std::string_view value = ValueAfter(option, end + 1);
  if (value != "0" && value != "1") BadValue(std::string(keyword) + "=", value, "0 or 1");
  field = value == "1";
}

constexpr std::string_view kSizeRange = "a number of pixels, or a negative percentage; not 0";

}  // namespace

ImageSettings ParseImageSettings(std::string_view option, const ImageSettings& base) {
  ImageSettings s = base;
  ReadInteger(option, options::kJpegWidth, s.JpegWidth, INT32_MIN, INT32_MAX, true, kSizeRange);
  ReadInteger(option, options::kJpegHeight, s.JpegHeight, INT32_MIN, INT32_MAX, true, kSizeRange);
  ReadInteger(option, options::kJpegQuality, s.JpegQuality, 1, 100, false, "1 to 100");
  ReadSwitch(option, options::kJpegKeepAspect, s.JpegKeepAspect);
  ReadInteger(option, options::kGifWidth, s.GifWidth, INT32_MIN, INT32_MAX, true, kSizeRange);
  ReadInteger(option, options::kGifHeight, s.GifHeight, INT32_MIN, INT32_MAX, true, kSizeRange);
  ReadSwitch(option, options::kGifKeepAspect, s.GifKeepAspect);
  return s;
}

}  // namespace quillet
