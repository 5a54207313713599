#include "platform/fs.h"

#include "platform/ascii.h"

namespace quillet::os {

bool MatchesWildcard(const std::string& name, const std::string& pattern) {
  // The system's listing takes "*.*" for every name, with or without a dot.
  if (pattern == "*.*") return true;
  // Greedy match with one back-track point: the last "*" seen. Linear in
  // practice and never exponential, whatever the pattern.
  size_t n = 0, p = 0, starP = std::string::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || (pattern[p] != '*' && ascii::SameLetter(pattern[p], name[n])))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace quillet::os
