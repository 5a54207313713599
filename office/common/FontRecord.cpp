#include "common/FontRecord.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace quillet::office {

namespace {

// Families drawn to the widths of the common Office and PostScript fonts.
constexpr struct {
  std::string_view requested;
  std::string_view used;
} kSameMetrics[] = {
    {"Calibri", "Carlito"},
    {"Cambria", "Caladea"},
    {"Arial", "Liberation Sans"},
    {"Arial", "Nimbus Sans"},
    {"Arial Narrow", "Liberation Sans Narrow"},
    {"Arial Narrow", "Nimbus Sans Narrow"},
    {"Helvetica", "Liberation Sans"},
    {"Helvetica", "Nimbus Sans"},
    {"Times New Roman", "Liberation Serif"},
    {"Times New Roman", "Nimbus Roman"},
    {"Times", "Liberation Serif"},
    {"Times", "Nimbus Roman"},
    {"Courier New", "Liberation Mono"},
    {"Courier New", "Nimbus Mono PS"},
    {"Courier", "Liberation Mono"},
    {"Courier", "Nimbus Mono PS"},
    // The office's own symbol font (bullets), renamed.
    {"StarSymbol", "OpenSymbol"},
};

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

// The name without control characters and surrounding blanks, cut to its
// bound on a character's boundary (the office's names are UTF-8).
std::string CleanName(const std::string& name) {
  std::string clean;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u != 0x7f) clean += c;
  }
  if (clean.size() > kMaxFontNameBytes) {
    size_t cut = kMaxFontNameBytes;
    while (cut > 0 && (static_cast<unsigned char>(clean[cut]) & 0xc0) == 0x80) --cut;
    clean.resize(cut);
  }
  const size_t first = clean.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return clean.substr(first, clean.find_last_not_of(' ') - first + 1);
}

}  // namespace

bool SameMetrics(const std::string& requested, const std::string& used) {
  return std::any_of(std::begin(kSameMetrics), std::end(kSameMetrics), [&](const auto& pair) {
    return SameName(pair.requested, requested) && SameName(pair.used, used);
  });
}

std::vector<FontSubstitution> Substitutions(const std::vector<uno::FontMappingUse>& record) {
  std::vector<FontSubstitution> found;
  for (const uno::FontMappingUse& use : record) {
    // The interface's list of fonts, "Segoe UI;Tahoma;...", is the office's.
    if (use.requested.find(';') != std::string::npos || use.used.empty()) continue;
    const std::string requested = CleanName(use.requested);
    // A used font is named with its style: "Carlito/Regular".
    const std::string& usedFont = use.used.front();
    const std::string used = CleanName(usedFont.substr(0, usedFont.find('/')));
    if (requested.empty() || used.empty() || SameName(requested, used)) continue;
    const bool seen = std::any_of(found.begin(), found.end(),
                                  [&](const FontSubstitution& s) { return SameName(s.requested, requested); });
    if (seen) continue;
    if (found.size() == kMaxSubstitutions) break;
    found.push_back({requested, used, SameMetrics(requested, used)});
  }
  return found;
}

std::string SubstitutedFontsText(const std::vector<FontSubstitution>& substitutions) {
  std::string text;
  for (const FontSubstitution& s : substitutions) text += s.requested + "=" + s.used + "\n";
  return text;
}

std::string FallbackFontsText(const std::vector<FontSubstitution>& substitutions) {
  std::string text;
  for (const FontSubstitution& s : substitutions)
    if (!s.sameMetrics) text += s.requested + "\n";
  return text;
}

}  // namespace quillet::office
