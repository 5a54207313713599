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

namespace {

// One page ("5") or ascending range ("2-3") of pages from 1 to 99999.
std::optional<PageRange> OneRange(std::string_view item) {
  const size_t dash = item.find('-');
  const auto from = WholeNumber(item.substr(0, dash), 5);
  const auto to = dash == std::string_view::npos ? from : WholeNumber(item.substr(dash + 1), 5);
  if (!from || !to || *from < 1 || *to < *from) return std::nullopt;
  return PageRange{static_cast<int32_t>(*from), static_cast<int32_t>(*to)};
}

std::string_view TrimBlanks(std::string_view text) {
  const size_t begin = text.find_first_not_of(' ');
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(' ') + 1 - begin);
}

// The quoted list of PAGES= whose opening quote is at Quote.
std::vector<PageRange> QuotedRanges(std::string_view text, size_t quote) {
  const size_t close = text.find('"', quote + 1);
  auto invalid = [&] {
    const size_t end =
        close == std::string_view::npos ? std::min(text.find_first_of("\r\n", quote), text.size()) : close + 1;
    return Error("Invalid value '" + std::string(text.substr(quote, end - quote)) +
                     "' for PAGES= (a quoted list of pages and ranges of pages such as \"1-3,5\")",
                 ErrorCode::InvalidOption);
  };
  if (close == std::string_view::npos) throw invalid();
  std::vector<PageRange> ranges;
  std::string_view list = text.substr(quote + 1, close - quote - 1);
  for (;;) {
    const size_t comma = list.find(',');
    const auto range = OneRange(TrimBlanks(list.substr(0, comma)));
    if (!range) throw invalid();
    ranges.push_back(*range);
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return ranges;
}

}  // namespace

std::vector<PageRange> Pages(std::string_view option) {
  const std::string text = WithoutPassword(option);
  const size_t at = text.find(kPages);
  if (at == std::string::npos) return {};
  const size_t begin = at + kPages.size();
  if (begin < text.size() && text[begin] == '"') return QuotedRanges(text, begin);
  const std::string_view value = ValueAt(text, at, kPages);
  const auto range = OneRange(value);
  if (!range)
    throw Error("Invalid value '" + std::string(value) + "' for PAGES= (a page or a range of pages such as 2-3)",
                ErrorCode::InvalidOption);
  return {*range};
}

std::string PageRangesText(const std::vector<PageRange>& ranges) {
  std::string text;
  for (const PageRange& r : ranges)
    text += (text.empty() ? "" : ",") + std::to_string(r.From) + "-" + std::to_string(r.To);
  return text;
}

const std::vector<PdfExportName>& PdfExportNames() {
  using K = PdfExportKind;
  static const std::vector<PdfExportName> names{
      {"ExportFormFields", "ExportFormFields", K::Boolean},
      {"AllowDuplicateFieldNames", "AllowDuplicateFieldNames", K::Boolean},
      {"ExportBookmarks", "ExportBookmarks", K::Boolean},
      {"ExportBookmarksToPdfDestination", "ExportBookmarksToPDFDestination", K::Boolean},
      {"ExportPlaceholders", "ExportPlaceholders", K::Boolean},
      {"ExportNotes", "ExportNotes", K::Boolean},
      {"ExportNotesPages", "ExportNotesPages", K::Boolean},
      {"ExportOnlyNotesPages", "ExportOnlyNotesPages", K::Boolean},
      {"ExportNotesInMargin", "ExportNotesInMargin", K::Boolean},
      {"ConvertOooTargetToPdfTarget", "ConvertOOoTargetToPDFTarget", K::Boolean},
      {"ExportLinksRelativeFsys", "ExportLinksRelativeFsys", K::Boolean},
      {"ExportHiddenSlides", "ExportHiddenSlides", K::Boolean},
      {"SkipEmptyPages", "IsSkipEmptyPages", K::Boolean},
      {"AddOriginalDocumentAsStream", "IsAddStream", K::Boolean},
      {"SinglePageSheets", "SinglePageSheets", K::Boolean},
      {"LosslessImageCompression", "UseLosslessCompression", K::Boolean},
      {"ReduceImageResolution", "ReduceImageResolution", K::Boolean},
      {"PdfUa", "PDFUACompliance", K::Boolean},
      {"Landscape", "", K::Boolean},
      {"UpdateIndexes", "", K::Boolean},
      {"Quality", "Quality", K::Quality},
      {"MaxImageResolution", "MaxImageResolution", K::Resolution},
  };
  return names;
}

std::optional<int32_t> PdfExportOptions::Find(std::string_view name) const {
  for (const auto& [n, v] : values_)
    if (n == name) return v;
  return std::nullopt;
}

std::vector<std::string_view> PdfExportOptions::Names() const {
  std::vector<std::string_view> names;
  for (const auto& [n, v] : values_) names.push_back(n);
  return names;
}

void PdfExportOptions::Set(std::string_view name, int32_t value) {
  const auto& table = PdfExportNames();
  auto order = [&](std::string_view n) {
    return std::find_if(table.begin(), table.end(), [&](const PdfExportName& e) { return e.Name == n; }) -
           table.begin();
  };
  for (auto& entry : values_)
    if (entry.first == name) {
      entry.second = value;
      return;
    }
  const auto at =
      std::find_if(values_.begin(), values_.end(), [&](const auto& e) { return order(e.first) > order(name); });
  values_.insert(at, {name, value});
}

std::string PdfExportOptions::Keywords() const {
  std::string text;
  for (const auto& [name, value] : values_) {
    const auto& table = PdfExportNames();
    const auto entry = std::find_if(table.begin(), table.end(), [&](const PdfExportName& e) { return e.Name == name; });
    if (!text.empty()) text += ' ';
    text += std::string(kPdfExportPrefix) + std::string(name) + "=";
    text += entry->Kind == PdfExportKind::Boolean ? (value ? "true" : "false") : std::to_string(value);
  }
  return text;
}

PdfExportOptions PdfExport(std::string_view option) {
  const std::string text = WithoutPassword(option);
  const auto& table = PdfExportNames();
  PdfExportOptions options;
  for (size_t at = text.find(kPdfExportPrefix); at != std::string::npos; at = text.find(kPdfExportPrefix, at + 1)) {
    const size_t nameBegin = at + kPdfExportPrefix.size();
    const size_t nameEnd = std::min(text.find_first_of("= \t\r\n,;", nameBegin), text.size());
    const std::string_view name = std::string_view(text).substr(nameBegin, nameEnd - nameBegin);
    const auto entry = std::find_if(table.begin(), table.end(), [&](const PdfExportName& e) { return e.Name == name; });
    if (entry == table.end() || nameEnd == text.size() || text[nameEnd] != '=')
      throw Error("Unknown PDF export option '" + std::string(kPdfExportPrefix) + std::string(name) + "'",
                  ErrorCode::InvalidOption);
    const std::string_view value = ValueAt(text, nameEnd, "=");
    std::optional<int32_t> read;
    std::string allowed;
    switch (entry->Kind) {
      case PdfExportKind::Boolean:
        if (value == "true" || value == "false") read = value == "true" ? 1 : 0;
        allowed = "true or false";
        break;
      case PdfExportKind::Quality:
        if (const auto n = WholeNumber(value, 3); n && *n >= 1 && *n <= 100) read = static_cast<int32_t>(*n);
        allowed = "a whole number from 1 to 100";
        break;
      case PdfExportKind::Resolution:
        if (const auto n = WholeNumber(value, 4); n && (*n == 75 || *n == 150 || *n == 300 || *n == 600 || *n == 1200))
          read = static_cast<int32_t>(*n);
        allowed = "75, 150, 300, 600 or 1200";
        break;
    }
    if (!read)
      throw Error("Invalid value '" + std::string(value) + "' for " + std::string(kPdfExportPrefix) +
                      std::string(name) + "= (" + allowed + ")",
                  ErrorCode::InvalidOption);
    if (!options.Find(entry->Name)) options.Set(entry->Name, *read);
  }
  return options;
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
