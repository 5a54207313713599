#include "engine/options/Options.h"

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

namespace {

// The value after Keyword (whose text starts at At), ended by a blank, tab,
// CR, LF, "," or ";" or the end of the option text.
std::string_view ValueAt(std::string_view option, size_t at, std::string_view keyword) {
  const size_t begin = at + keyword.size();
  const size_t end = std::min(option.find_first_of(" \t\r\n,;", begin), option.size());
  return option.substr(begin, end - begin);
}

// Value as a whole number of at most MaxDigits digits; none for anything else.
std::optional<uint64_t> WholeNumber(std::string_view value, size_t maxDigits) {
  if (value.empty() || value.size() > maxDigits) return std::nullopt;
  uint64_t n = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<uint64_t>(c - '0');
  }
  return n;
}

// Where the value of PASSWORD= begins and ends (End past a closing quote);
// none without the keyword. Raises for an unended quote.
std::optional<std::pair<size_t, size_t>> PasswordSpan(std::string_view option) {
  const size_t at = option.find(kPassword);
  if (at == std::string_view::npos) return std::nullopt;
  const size_t begin = at + kPassword.size();
  if (begin < option.size() && option[begin] == '"') {
    for (size_t i = begin + 1; i < option.size(); ++i) {
      if (option[i] != '"') continue;
      if (i + 1 < option.size() && option[i + 1] == '"') {
        ++i;
        continue;
      }
      return std::make_pair(begin, i + 1);
    }
    throw Error("The value of PASSWORD= lacks its closing double quote", ErrorCode::InvalidOption);
  }
  return std::make_pair(begin, std::min(option.find_first_of(" \t\r\n", begin), option.size()));
}

}  // namespace

uint32_t TimeoutSeconds(std::string_view option) {
  const size_t at = option.find(kTimeout);
  if (at == std::string_view::npos) return kDefaultTimeoutSeconds;
  const std::string_view value = ValueAt(option, at, kTimeout);
  const std::optional<uint64_t> seconds = WholeNumber(value, 5);
  if (!seconds || *seconds < 1 || *seconds > 86400)
    throw Error("Invalid value '" + std::string(value) + "' for TIMEOUT= (whole seconds from 1 to 86400)",
                ErrorCode::InvalidOption);
  return static_cast<uint32_t>(*seconds);
}

int PdfALevel(std::string_view option) {
  const std::string text = WithoutPassword(option);
  const size_t at = text.find(kPdfA);
  if (at == std::string::npos) return 0;
  if (at + kPdfA.size() >= text.size() || text[at + kPdfA.size()] != '=') return 1;
  const std::string_view value = ValueAt(text, at, "PDFA=");
  if (value != "1" && value != "2" && value != "3")
    throw Error("Invalid value '" + std::string(value) + "' for PDFA= (1, 2 or 3)", ErrorCode::InvalidOption);
  return value[0] - '0';
}

std::optional<PageRange> Pages(std::string_view option) {
  const std::string text = WithoutPassword(option);
  const size_t at = text.find(kPages);
  if (at == std::string::npos) return std::nullopt;
  const std::string_view value = ValueAt(text, at, kPages);
  const size_t dash = value.find('-');
  const auto from = WholeNumber(value.substr(0, dash), 5);
  const auto to = dash == std::string_view::npos ? from : WholeNumber(value.substr(dash + 1), 5);
  if (!from || !to || *from < 1 || *to < *from)
    throw Error("Invalid value '" + std::string(value) + "' for PAGES= (a page or a range of pages such as 2-3)",
                ErrorCode::InvalidOption);
  return PageRange{static_cast<int32_t>(*from), static_cast<int32_t>(*to)};
}

std::optional<std::string> Password(std::string_view option) {
  const auto span = PasswordSpan(option);
  if (!span) return std::nullopt;
  const std::string_view value = option.substr(span->first, span->second - span->first);
  if (value.empty() || value[0] != '"') return std::string(value);
  std::string password;
  for (size_t i = 1; i + 1 < value.size(); ++i) {
    password += value[i];
    if (value[i] == '"') ++i;  // the second of a doubled quote
  }
  return password;
}

std::string QuotePasswordKeyword(std::string_view password) {
  const bool quoted =
      password.empty() || password[0] == '"' || password.find_first_of(" \t\r\n") != std::string_view::npos;
  std::string keyword(kPassword);
  if (!quoted) return keyword.append(password);
  keyword += '"';
  for (char c : password) {
    keyword += c;
    if (c == '"') keyword += '"';
  }
  return keyword + '"';
}

std::string WithoutPassword(std::string_view option) {
  const auto span = PasswordSpan(option);
  std::string text(option);
  if (span) text.erase(span->first, span->second - span->first);
  return text;
}

}  // namespace quillet::options
