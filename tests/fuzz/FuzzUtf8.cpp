#include <string>
#include <string_view>

#include "FuzzTargets.h"
#include "platform/error.h"
#include "platform/utf8.h"
#ifndef _WIN32
#include "platform/com/com.h"
#endif

namespace quillet::fuzz {

namespace {

constexpr size_t kNone = std::string_view::npos;

// Where the first ill-formed sequence starts, found the other way round from
// the decoder: each sequence is read by the shape of its lead byte, its value
// computed, and only then judged (too small for its length, a surrogate, or
// beyond U+10FFFF).
size_t ReferenceFirstInvalid(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<uint8_t>(text[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t length;
    char32_t least;
    if ((lead & 0xE0) == 0xC0) {
      length = 2;
      least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      least = 0x10000;
    } else {
      return i;
    }
    if (i + length > text.size()) return i;
    char32_t c = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<uint8_t>(text[i + k]);
      if ((next & 0xC0) != 0x80) return i;
      c = (c << 6) | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return i;
    i += length;
  }
  return kNone;
}

bool HasLoneSurrogate(std::u16string_view units) {
  for (size_t i = 0; i < units.size(); ++i) {
    if (units[i] >= 0xD800 && units[i] <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      ++i;
    } else if (units[i] >= 0xD800 && units[i] <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

// A shown text: UTF-8, within its bound, and with no control byte left in it.
void CheckShown(const std::string& shown, size_t maxBytes) {
  FUZZ_CHECK(utf8::IsValid(shown));
  FUZZ_CHECK(shown.size() <= maxBytes);
  for (char c : shown) FUZZ_CHECK(static_cast<uint8_t>(c) >= 0x20 && c != 0x7F);
}

}  // namespace

// Input: any bytes, read as UTF-8, and pair by pair as 16-bit text.
int Utf8(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const size_t bad = ReferenceFirstInvalid(text);
  FUZZ_CHECK(utf8::FirstInvalid(text) == bad);
  FUZZ_CHECK(utf8::IsValid(text) == (bad == kNone));

  // Valid text goes to UTF-16 and back unchanged; anything else is refused,
  // though what comes before its first bad byte is valid.
  const auto units = utf8::ToUtf16(text);
  FUZZ_CHECK(units.has_value() == (bad == kNone));
  if (units) {
    FUZZ_CHECK(units->size() <= text.size());
    FUZZ_CHECK(!HasLoneSurrogate(*units));
    const auto back = utf8::FromUtf16(*units);
    FUZZ_CHECK(back.has_value() && *back == text);
    FUZZ_CHECK(utf8::EscapeInvalid(text) == text);
  } else {
    FUZZ_CHECK(utf8::IsValid(text.substr(0, bad)));
    FUZZ_CHECK(utf8::SequenceLength(text, bad) == 0);
    FUZZ_CHECK(utf8::IsValid(utf8::EscapeInvalid(text)));
  }

  // Whatever it holds, a text is shown as bounded UTF-8 without control
  // bytes, its first bad byte in view.
  static const char kHex[] = "0123456789ABCDEF";
  for (size_t maxBytes : {size_t{16}, size_t{41}, utf8::kShownBytes}) {
    const std::string shown = utf8::Shown(text, maxBytes);
    CheckShown(shown, maxBytes);
    if (bad != kNone) {
      const auto b = static_cast<uint8_t>(text[bad]);
      FUZZ_CHECK(shown.find(std::string{'\\', 'x', kHex[b >> 4], kHex[b & 0xF]}) != std::string::npos);
    }
  }

#ifndef _WIN32
  // The COM seam takes exactly what the decoder takes.
  try {
    const com::OleString ole = com::ToOle(std::string(text));
    FUZZ_CHECK(units && ole == *units);
  } catch (const Error& e) {
    FUZZ_CHECK(!units && e.code() == ErrorCode::InvalidText);
  }
#endif

  // The same bytes as 16-bit text: taken unless a surrogate stands alone,
  // and then back again unchanged.
  std::u16string wide(size / 2, u'\0');
  for (size_t i = 0; i < wide.size(); ++i) wide[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  const auto narrow = utf8::FromUtf16(wide);
  FUZZ_CHECK(narrow.has_value() == !HasLoneSurrogate(wide));
  if (narrow) {
    FUZZ_CHECK(utf8::IsValid(*narrow));
    FUZZ_CHECK(utf8::ToUtf16(*narrow) == wide);
  }
  CheckShown(utf8::Shown(wide, 41), 41);
  return 0;
}

}  // namespace quillet::fuzz
