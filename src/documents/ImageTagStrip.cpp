#include "documents/ImageTagStrip.h"

#include <initializer_list>

namespace quillet {

namespace {

constexpr auto npos = std::string_view::npos;

// A tag's name ends at its first blank, so the characters that trimming takes
// off it are the control characters below the blank.
bool IsControl(char c) { return static_cast<unsigned char>(c) < ' '; }

// Whether Text holds Word (lower case) at At, without regard to ASCII case.
bool HasWordAt(std::string_view text, size_t at, std::string_view word) {
  for (size_t i = 0; i < word.size(); ++i) {
    char c = text[at + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  return true;
}

// Whether the name of the tag whose "<" lies just before From and whose ">" is
// at Gt is an image tag's name. Only the few characters around the name are
// read: a name may run to the ">" of a long tag.
bool IsImageTagName(std::string_view text, size_t from, size_t gt) {
  size_t k = from;
  while (k < gt && IsControl(text[k])) ++k;
  for (const std::string_view word : {std::string_view("img"), std::string_view("v:imagedata")}) {
    if (gt - k < word.size() || !HasWordAt(text, k, word)) continue;
    size_t end = k + word.size();
    while (end < gt && IsControl(text[end])) ++end;
    return end == gt || text[end] == ' ';
  }
  return false;
}

}  // namespace

// The tokenizer's walk, replayed on the unchanged text: a tag runs from a "<"
// to the first ">" after it; the search after a tag that stays goes on from
// the character behind its "<" (so tags inside it are found too), after a
// removed tag from the character behind its ">". Removed tags therefore never
// overlap and come in text order, and the result is the text between them.
std::string StripImageTags(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t copied = 0;   // everything before this is in Out or removed
  size_t search = 0;   // where the search for the next "<" starts
  size_t gt = npos;    // the first ">" at or after the last "<" found
  bool haveGt = false;
  for (;;) {
    const size_t lt = text.find('<', search);
    if (lt == npos) break;
    // The "<" found only move forward, so a ">" found for an earlier one is
    // still the first one for this one as long as it lies behind it.
    if (!haveGt || gt < lt) {
      gt = text.find('>', lt);
      haveGt = true;
    }
    if (gt == npos) break;
    if (IsImageTagName(text, lt + 1, gt)) {
      out.append(text.substr(copied, lt - copied));
      copied = gt + 1;
      search = gt + 1;
    } else {
      search = lt + 1;
    }
  }
  out.append(text.substr(copied));
  return out;
}

}  // namespace quillet
