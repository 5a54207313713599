#include "platform/fs.h"

#include "platform/ascii.h"
#include "platform/utf8.h"

namespace quillet::os {

namespace {

// The bytes of the character at Name[N]: a "?" stands for one character, as
// in the system's listing, not for one byte of it. A byte that starts no
// well-formed sequence counts as a character of its own, so that such a name
// is still listed (and then refused where it would be used).
size_t CharacterBytes(const std::string& name, size_t n) {
  const size_t length = utf8::SequenceLength(name, n);
  return length ? length : 1;
}

}  // namespace

bool MatchesWildcard(const std::string& name, const std::string& pattern) {
  // The system's listing takes "*.*" for every name, with or without a dot.
  if (pattern == "*.*") return true;
  // Greedy match with one back-track point: the last "*" seen. Linear in
  // practice and never exponential, whatever the pattern. The name is walked
  // character by character wherever a wildcard consumes it; a literal is
  // compared byte by byte, which keeps to whole characters as well.
  size_t n = 0, p = 0, starP = std::string::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '?') {
      n += CharacterBytes(name, n);
      ++p;
    } else if (p < pattern.size() && pattern[p] != '*' && ascii::SameLetter(pattern[p], name[n])) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      starN += CharacterBytes(name, starN);
      n = starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace quillet::os
