#include "Fonts.h"

#include <algorithm>

namespace quillet::cli::serve {

namespace {

std::string Escaped(const std::string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u >= 0x7f || c == '%' || c == ',' || c == '=') {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 0xf];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string FontsHeaderValue(const std::vector<SubstitutedFont>& fonts) {
  std::string value;
  for (const SubstitutedFont& font : fonts) {
    const std::string entry = Escaped(font.requested) + "=" + Escaped(font.used);
    const size_t size = value.size() + (value.empty() ? 0 : 2) + entry.size();
    if (size > kMaxFontsHeaderBytes) break;
    value += (value.empty() ? "" : ", ") + entry;
  }
  return value;
}

void AddFonts(std::vector<SubstitutedFont>& to, const std::vector<SubstitutedFont>& from) {
  for (const SubstitutedFont& font : from)
    if (std::none_of(to.begin(), to.end(), [&](const SubstitutedFont& f) { return f.requested == font.requested; }))
      to.push_back(font);
}

}  // namespace quillet::cli::serve
