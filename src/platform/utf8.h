// Strict UTF-8: the one place where the library tells well-formed text from
// bytes that only look like it, turns it into the 16-bit text of automation
// and back, and shows a text that failed in a message.
//
// Well-formed means what the Unicode standard allows and nothing more. Each
// of these is refused, never decoded "as best we can": a continuation byte
// with no lead byte, a sequence cut short (by the end of the text or by a
// byte that does not continue it), an overlong form (C0 AF is not "/"), a
// surrogate (ED A0 80), a code point above U+10FFFF, and the bytes no
// sequence ever uses (C0, C1, F5 to FF). A lenient decoder turns such bytes
// into characters that the checks before it never saw: a name checked for
// "/" and ".." reaches the office as "../../x".
//
// The platform layer, without system headers: the same on every system.
// Thread-safety: pure functions; any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillet::utf8 {

// The length (1 to 4) of the well-formed sequence that starts at Text[Pos];
// 0 when none starts there (or Pos is past the end).
size_t SequenceLength(std::string_view text, size_t pos);

// The offset of the first byte that no well-formed sequence takes in; npos
// when the whole text is well formed (the empty text is).
size_t FirstInvalid(std::string_view text);
bool IsValid(std::string_view text);

// The UTF-16 of Text (a code point above U+FFFF as a surrogate pair);
// nothing when Text is not valid UTF-8.
std::optional<std::u16string> ToUtf16(std::string_view text);
// The UTF-8 of Text; nothing when it holds a surrogate that is not half of a
// pair (a high one followed by a low one).
std::optional<std::string> FromUtf16(std::u16string_view text);

// Text as a message may show it, whatever it holds: a byte that no
// well-formed sequence takes in as \xNN, a control character as \xNN, a
// backslash as \\ (so that an escape cannot be mistaken for the text), and
// every other character as it is. A result longer than MaxBytes is cut in
// the middle, with "..." where text was left out, never inside a character
// or an escape; when the first bad byte would be left out, it is kept in
// view with a little of the text around it. The result is valid UTF-8 of at
// most MaxBytes bytes (a MaxBytes below 16 counts as 16).
inline constexpr size_t kShownBytes = 160;
std::string Shown(std::string_view text, size_t maxBytes = kShownBytes);
// The same for 16-bit text: a surrogate that is not half of a pair as \uXXXX.
std::string Shown(std::u16string_view text, size_t maxBytes = kShownBytes);

// Text with each byte that no well-formed sequence takes in written as \xNN,
// and nothing else changed: for a line that must stay UTF-8 and keep the
// rest of a name as it was.
std::string EscapeInvalid(std::string_view text);

// What [What] "[Text, shown]" is not valid UTF-8 (or UTF-16) says.
std::string NotValidMessage(std::string_view text, std::string_view what = "The text");
std::string NotValidMessage(std::u16string_view text, std::string_view what = "The text");
// Raises Error (ErrorCode::InvalidText, NotValidMessage) when Text is not valid UTF-8.
void Require(std::string_view text, std::string_view what = "The text");

// The library's own texts (its paths, formats and options): UTF-8 on Linux,
// where the check is strict; bytes in the ANSI code page on Windows, where
// the system decides and every text passes here.
bool IsLibraryText(std::string_view text);
// Raises as Require does when Text is not a library text.
void RequireLibraryText(std::string_view text, std::string_view what);

}  // namespace quillet::utf8
