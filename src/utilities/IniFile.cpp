#include "utilities/IniFile.h"

#include <fstream>
#include <sstream>

#include "utilities/Strings.h"

namespace quillet {

namespace {

std::string Unquoted(std::string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

std::vector<IniEntry> ReadIniSection(const std::string& file, const std::string& section) {
  std::vector<IniEntry> entries;
  std::ifstream in(file, std::ios::binary);
  if (!in) return entries;
  std::string line;
  bool first = true, inside = false;
  while (std::getline(in, line)) {
    if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);  // a UTF-8 byte-order mark
    first = false;
    const std::string text = Trim(line);
    if (text.empty() || text[0] == ';') continue;
    if (text[0] == '[') {
      const size_t close = text.find(']');
      const std::string name =
          Trim(std::string_view(text).substr(1, close == std::string::npos ? std::string::npos : close - 1));
      if (inside) break;  // the first section of that name is the one read
      inside = SameText(name, section);
      continue;
    }
    if (!inside) continue;
    const size_t eq = text.find('=');
    IniEntry entry;
    entry.key = Trim(std::string_view(text).substr(0, eq));
    if (eq != std::string::npos) entry.value = Unquoted(Trim(std::string_view(text).substr(eq + 1)));
    if (!entry.key.empty()) entries.push_back(std::move(entry));
  }
  return entries;
}

std::string IniValue(const std::vector<IniEntry>& entries, const std::string& key, const std::string& fallback) {
  for (const IniEntry& e : entries)
    if (SameText(e.key, key)) return e.value;
  return fallback;
}

}  // namespace quillet
