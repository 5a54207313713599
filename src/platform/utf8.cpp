#include "platform/utf8.h"

#include <cstdint>
#include <vector>

#include "platform/error.h"

namespace quillet::utf8 {

namespace {

uint8_t Byte(std::string_view text, size_t i) { return static_cast<uint8_t>(text[i]); }

bool InRange(std::string_view text, size_t i, uint8_t low, uint8_t high) {
  return i < text.size() && Byte(text, i) >= low && Byte(text, i) <= high;
}

// The code point of the well-formed sequence of Length bytes at Text[Pos].
char32_t CodePoint(std::string_view text, size_t pos, size_t length) {
  const uint8_t lead = Byte(text, pos);
  if (length == 1) return lead;
  char32_t c = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) c = (c << 6) | (Byte(text, pos + k) & 0x3F);
  return c;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

constexpr char kHex[] = "0123456789ABCDEF";

std::string ByteEscape(uint8_t b) { return {'\\', 'x', kHex[b >> 4], kHex[b & 0xF]}; }

// One unit of a shown text: a character, or the escape that stands for a
// byte or a code unit. Units are never cut; Bad marks the escapes of what is
// not well formed.
struct Unit {
  std::string text;
  bool bad = false;
};

// The shown form of one well-formed character.
Unit CharacterUnit(char32_t c, std::string_view bytes) {
  if (c < 0x20 || c == 0x7F) return {ByteEscape(static_cast<uint8_t>(c))};
  if (c == '\\') return {"\\\\"};
  return {std::string(bytes)};
}

constexpr std::string_view kEllipsis = "...";

// The units joined, cut down to MaxBytes as Shown promises.
std::string Fit(const std::vector<Unit>& units, size_t maxBytes) {
  size_t total = 0;
  for (const Unit& u : units) total += u.text.size();
  auto join = [&](size_t from, size_t to) {
    std::string out;
    for (size_t i = from; i < to; ++i) out += units[i].text;
    return out;
  };
  if (total <= maxBytes) return join(0, units.size());
  if (maxBytes < 16) maxBytes = 16;
  const size_t n = units.size();

  // Units from the front within Budget bytes: their count.
  auto front = [&](size_t from, size_t limit, size_t budget) {
    size_t i = from;
    for (size_t used = 0; i < limit && used + units[i].text.size() <= budget; ++i) used += units[i].text.size();
    return i;
  };
  // Units from the back within Budget bytes: where they begin.
  auto back = [&](size_t limit, size_t budget) {
    size_t i = n;
    for (size_t used = 0; i > limit && used + units[i - 1].text.size() <= budget; --i) used += units[i - 1].text.size();
    return i;
  };

  // One cut: the start and the end, joined by "...".
  const size_t budget = maxBytes - kEllipsis.size();
  const size_t headEnd = front(0, n, budget / 2);
  size_t headBytes = 0;
  for (size_t i = 0; i < headEnd; ++i) headBytes += units[i].text.size();
  const size_t tailBegin = back(headEnd, budget - headBytes);
  size_t firstBad = n;
  for (size_t i = 0; i < n; ++i)
    if (units[i].bad) {
      firstBad = i;
      break;
    }
  if (firstBad == n || firstBad < headEnd || firstBad >= tailBegin)
    return join(0, headEnd) + std::string(kEllipsis) + join(tailBegin, n);

  // The first bad unit would be left out: a quarter for the start, a quarter
  // for the end, and the rest around that unit, between two cuts.
  const size_t budget2 = maxBytes - 2 * kEllipsis.size();
  const size_t head2 = front(0, firstBad, budget2 / 4);
  size_t used = 0;
  for (size_t i = 0; i < head2; ++i) used += units[i].text.size();
  const size_t tail2 = back(firstBad + 1, budget2 / 4);
  for (size_t i = tail2; i < n; ++i) used += units[i].text.size();
  size_t midBegin = firstBad, midEnd = firstBad;
  // Grown one unit at a time, after it first, then before it, in turn.
  for (bool grew = true; grew;) {
    grew = false;
    if (midEnd < tail2 && used + units[midEnd].text.size() <= budget2) {
      used += units[midEnd++].text.size();
      grew = true;
    }
    if (midBegin > head2 && used + units[midBegin - 1].text.size() <= budget2) {
      used += units[--midBegin].text.size();
      grew = true;
    }
  }
  std::string out = join(0, head2);
  if (midBegin > head2) out += kEllipsis;
  out += join(midBegin, midEnd);
  if (midEnd < tail2) out += kEllipsis;
  out += join(tail2, n);
  return out;
}

std::string Message(std::string_view what, const std::string& shown, std::string_view encoding) {
  std::string text(what);
  text += " \"";
  text += shown;
  text += "\" is not valid ";
  text += encoding;
  return text;
}

}  // namespace

size_t SequenceLength(std::string_view text, size_t pos) {
  if (pos >= text.size()) return 0;
  const uint8_t lead = Byte(text, pos);
  if (lead < 0x80) return 1;
  // The second byte's range is narrower after the leads that would otherwise
  // start an overlong form (E0, F0), a surrogate (ED) or a code point above
  // U+10FFFF (F4); the bytes after it are plain continuation bytes.
  size_t length;
  uint8_t low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;  // a continuation byte, or C0, C1, F5 to FF
  }
  if (!InRange(text, pos + 1, low, high)) return 0;
  for (size_t k = 2; k < length; ++k)
    if (!InRange(text, pos + k, 0x80, 0xBF)) return 0;
  return length;
}

size_t FirstInvalid(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const size_t length = SequenceLength(text, i);
    if (length == 0) return i;
    i += length;
  }
  return std::string_view::npos;
}

bool IsValid(std::string_view text) { return FirstInvalid(text) == std::string_view::npos; }

std::optional<std::u16string> ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t length = SequenceLength(text, i);
    if (length == 0) return std::nullopt;
    char32_t c = CodePoint(text, i, length);
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += length;
  }
  return out;
}

std::optional<std::string> FromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      return std::nullopt;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::string Shown(std::string_view text, size_t maxBytes) {
  std::vector<Unit> units;
  for (size_t i = 0; i < text.size();) {
    const size_t length = SequenceLength(text, i);
    if (length == 0) {
      units.push_back({ByteEscape(Byte(text, i)), true});
      ++i;
      continue;
    }
    units.push_back(CharacterUnit(CodePoint(text, i, length), text.substr(i, length)));
    i += length;
  }
  return Fit(units, maxBytes);
}

std::string Shown(std::u16string_view text, size_t maxBytes) {
  std::vector<Unit> units;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      const auto u = static_cast<unsigned>(c);
      units.push_back({{'\\', 'u', kHex[u >> 12], kHex[(u >> 8) & 0xF], kHex[(u >> 4) & 0xF], kHex[u & 0xF]}, true});
      continue;
    }
    std::string bytes;
    AppendUtf8(bytes, c);
    units.push_back(CharacterUnit(c, bytes));
  }
  return Fit(units, maxBytes);
}

std::string EscapeInvalid(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t length = SequenceLength(text, i);
    if (length == 0) {
      out += ByteEscape(Byte(text, i));
      ++i;
    } else {
      out += text.substr(i, length);
      i += length;
    }
  }
  return out;
}

std::string NotValidMessage(std::string_view text, std::string_view what) {
  return Message(what, Shown(text), "UTF-8");
}

std::string NotValidMessage(std::u16string_view text, std::string_view what) {
  return Message(what, Shown(text), "UTF-16");
}

void Require(std::string_view text, std::string_view what) {
  if (!IsValid(text)) throw Error(NotValidMessage(text, what), ErrorCode::InvalidText);
}

bool IsLibraryText(std::string_view text) {
#ifdef _WIN32
  (void)text;
  return true;
#else
  return IsValid(text);
#endif
}

void RequireLibraryText(std::string_view text, std::string_view what) {
  if (!IsLibraryText(text)) throw Error(NotValidMessage(text, what), ErrorCode::InvalidText);
}

}  // namespace quillet::utf8
