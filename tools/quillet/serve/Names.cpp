#include "Names.h"

#include <string_view>

#include "platform/utf8.h"

namespace quillet::cli::serve {

namespace {

// Characters that must not be in a name a client reads back: controls, and
// those that change the direction text is shown in (a name could be made to
// read as another).
bool Unwanted(char32_t c) {
  return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x061c || c == 0x200e || c == 0x200f ||
         (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069) || c == 0x2028 || c == 0x2029 || c == 0xfeff;
}

// The code point of the well-formed sequence of Length bytes at Text[Pos].
char32_t CodeAt(std::string_view text, size_t pos, size_t length) {
  const auto byte = [&](size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(text[pos + i])); };
  if (length == 1) return byte(0);
  char32_t code = byte(0) & (0x7f >> length);
  for (size_t i = 1; i < length; ++i) code = (code << 6) | (byte(i) & 0x3f);
  return code;
}

// The length of the longest start of Text that is at most Limit bytes and
// ends at a character boundary (Text is valid UTF-8).
size_t CutAt(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text.size();
  size_t at = limit;
  while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
  return at;
}

}  // namespace

std::string CleanName(const std::string& given) {
  const size_t slash = given.find_last_of("/\\");
  const std::string_view base = std::string_view(given).substr(slash == std::string::npos ? 0 : slash + 1);
  std::string name;
  for (size_t i = 0; i < base.size();) {
    const size_t length = utf8::SequenceLength(base, i);
    if (length == 0) {
      name.push_back('_');
      ++i;
      continue;
    }
    if (!Unwanted(CodeAt(base, i, length))) name.append(base.substr(i, length));
    i += length;
  }
  name.erase(0, name.find_first_not_of(". "));
  if (name.size() > kLongestName) {
    const size_t dot = name.rfind('.');
    const std::string extension = dot != std::string::npos && name.size() - dot <= 16 ? name.substr(dot) : "";
    const std::string_view stem = std::string_view(name).substr(0, name.size() - extension.size());
    name = std::string(stem.substr(0, CutAt(stem, kLongestName - extension.size()))) + extension;
  }
  return name.empty() ? "document" : name;
}

std::string StemOf(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string ClientNameOf(const std::string& produced, const std::string& stem, const std::string& clientStem) {
  const size_t slash = produced.find('/');
  const std::string first = produced.substr(0, slash);
  const std::string rest = slash == std::string::npos ? "" : produced.substr(slash);
  if (first == stem || (first.size() > stem.size() && first.compare(0, stem.size(), stem) == 0 &&
                        first[stem.size()] == '.' && first.find('.', stem.size() + 1) == std::string::npos))
    return clientStem + first.substr(stem.size()) + rest;
  return produced;
}

}  // namespace quillet::cli::serve
