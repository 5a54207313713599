// Reading settings files in the INI layout: "[Section]" lines, each followed
// by "Key=Value" lines. Read the way the system's profile routines read them:
// section and key names compare without regard to ASCII letter case, blanks
// around names and values are dropped, a value in matching double or single
// quotes loses them, lines starting with ";" are comments, and of a section or
// key given twice the first counts.
#pragma once

#include <string>
#include <vector>

namespace quillet {

struct IniEntry {
  std::string key;
  std::string value;  // empty for a line without "="
};

// The entries of Section of File, in the file's order; none when the file
// cannot be read or has no such section.
std::vector<IniEntry> ReadIniSection(const std::string& file, const std::string& section);

// The value of Key among Entries (the first entry of that name), or Fallback
// when there is none.
std::string IniValue(const std::vector<IniEntry>& entries, const std::string& key, const std::string& fallback);

}  // namespace quillet
