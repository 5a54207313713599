#include "documents/ImageTagStrip.h"

#include <cstring>
#include <initializer_list>
#include <string_view>

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
// overlap and come in text order, and what stays is the text between them,
// moved forward over the gaps. Everything moved lies before the tags still to
// be read, so the walk can go on over the same text.
void StripImageTags(std::string& text) {
  const std::string_view view(text);
  size_t kept = 0;    // the text kept so far, moved to the front
  size_t copied = 0;  // everything before this is kept or removed
  size_t search = 0;  // where the search for the next "<" starts
  size_t gt = npos;   // the first ">" at or after the last "<" found
  bool haveGt = false;
  auto keep = [&](size_t end) {
    if (kept != copied) std::memmove(text.data() + kept, text.data() + copied, end - copied);
    kept += end - copied;
  };
  for (;;) {
    const size_t lt = view.find('<', search);
    if (lt == npos) break;
    // The "<" found only move forward, so a ">" found for an earlier one is
    // still the first one for this one as long as it lies behind it.
    if (!haveGt || gt < lt) {
      gt = view.find('>', lt);
      haveGt = true;
    }
    if (gt == npos) break;
    if (IsImageTagName(view, lt + 1, gt)) {
      keep(lt);
      copied = gt + 1;
      search = gt + 1;
    } else {
      search = lt + 1;
    }
  }
  keep(view.size());
  text.resize(kept);
}

}  // namespace quillet
