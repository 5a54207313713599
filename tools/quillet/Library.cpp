#include "Library.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "quillet/quillet.h"

namespace quillet::cli {

Outcome Convert(const Request& r) {
  // Error texts carry paths and the applications' own messages.
  static std::vector<char> error(1 << 20);
  error[0] = 0;
  const auto start = std::chrono::steady_clock::now();
  const bool ok =
      ConvertSingleFile(r.source.c_str(), r.destination.c_str(), r.format.c_str(), r.option.c_str(), error.data()) != 0;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  Outcome outcome{ok, error.data(), static_cast<long>(ms.count()), Failure::None};
  if (!ok) {
    if (outcome.error.empty()) outcome.error = "the conversion failed without a reason";
    // (Of this thread's last call: asked before any other call of the library.)
    outcome.code = GetField("errorcode").value;
    outcome.failure = FailureOfCode(outcome.code);
  }
  outcome.fonts = ParseSubstitutedFonts(GetField(QUILLET_FIELD_SUBSTITUTEDFONTS).value,
                                        GetField(QUILLET_FIELD_FALLBACKFONTS).value);
  return outcome;
}

Failure FailureOfCode(const std::string& code) {
  if (code == QUILLET_ERROR_DEADLINE) return Failure::Deadline;
  if (code == QUILLET_ERROR_APPLICATIONENDED) return Failure::OfficeEnded;
  return Failure::Document;
}

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    if (end > at) lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

}  // namespace

std::vector<SubstitutedFont> ParseSubstitutedFonts(const std::string& substituted, const std::string& fallbacks) {
  const std::vector<std::string> others = Lines(fallbacks);
  std::vector<SubstitutedFont> fonts;
  for (const std::string& line : Lines(substituted)) {
    // A requested name may hold "=": the used one, a family of the machine's, does not.
    const size_t equals = line.rfind('=');
    if (equals == std::string::npos) continue;
    SubstitutedFont font{line.substr(0, equals), line.substr(equals + 1)};
    font.sameMetrics = std::find(others.begin(), others.end(), font.requested) == others.end();
    fonts.push_back(std::move(font));
  }
  return fonts;
}

std::string SubstitutedFontsText(const std::vector<SubstitutedFont>& fonts) {
  std::string text;
  for (const SubstitutedFont& font : fonts) text += font.requested + "=" + font.used + "\n";
  return text;
}

std::string FallbackFontsText(const std::vector<SubstitutedFont>& fonts) {
  std::string text;
  for (const SubstitutedFont& font : fonts)
    if (!font.sameMetrics) text += font.requested + "\n";
  return text;
}

std::string FontLine(const SubstitutedFont& font) {
  return font.requested + " replaced by " + font.used + (font.sameMetrics ? " (same metrics)" : " (other metrics)");
}

Field GetField(const std::string& name) {
  std::vector<char> error(1 << 16);
  error[0] = 0;
  const int32_t length = GetFieldValue(name.c_str(), "", nullptr, 0, error.data());
  std::string value(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
  if (length > 0) GetFieldValue(name.c_str(), "", value.data(), length, error.data());
  value.resize(static_cast<size_t>(length > 0 ? length : 0));
  return {value, error.data()};
}

}  // namespace quillet::cli
