// Strict UTF-8: every family of bytes that only looks like text is refused
// where it starts, well-formed text of every length goes to UTF-16 and back
// unchanged, and a refused text is shown readably and boundedly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/utf8.h"

namespace quillet {
namespace {

// Each refused case, with the offset of the first byte that no well-formed
// sequence takes in.
struct Refused {
  std::string text;
  size_t at;
};

void ExpectRefused(const std::vector<Refused>& cases) {
  for (const Refused& c : cases) {
    EXPECT_FALSE(utf8::IsValid(c.text)) << utf8::Shown(c.text);
    EXPECT_EQ(utf8::FirstInvalid(c.text), c.at) << utf8::Shown(c.text);
    EXPECT_FALSE(utf8::ToUtf16(c.text).has_value()) << utf8::Shown(c.text);
  }
}

TEST(Utf8, TextOfOneToFourBytesGoesToUtf16AndBackUnchanged) {
  const struct {
    std::string text;
    std::u16string units;
  } cases[] = {
      {"", u""},
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},  // a zero byte is a character like any other
      {"\x7F", u"\x007F"},                                   // the last of one byte
      {"\xC2\x80", u"\x0080"},                               // the first of two
      {"\xC3\xA9", u"\x00E9"},
      {"\xDF\xBF", u"\x07FF"},      // the last of two
      {"\xE0\xA0\x80", u"\x0800"},  // the first of three
      {"\xE2\x82\xAC", u"\x20AC"},
      {"\xED\x9F\xBF", u"\xD7FF"},            // just below the surrogates
      {"\xEE\x80\x80", u"\xE000"},            // just above them
      {"\xEF\xBF\xBD", u"\xFFFD"},            // the replacement character is text too
      {"\xEF\xBF\xBF", u"\xFFFF"},            // the last of three
      {"\xF0\x90\x80\x80", u"\xD800\xDC00"},  // the first of four: U+10000
      {"\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
      {"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},  // U+10FFFF, the last code point
      {"in/caf\xC3\xA9/\xE4\xB8\xAD\xF0\x9F\x98\x80.txt", u"in/caf\x00E9/\x4E2D\xD83D\xDE00.txt"},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(utf8::IsValid(c.text)) << utf8::Shown(c.text);
    EXPECT_EQ(utf8::FirstInvalid(c.text), std::string::npos) << utf8::Shown(c.text);
    const auto units = utf8::ToUtf16(c.text);
    ASSERT_TRUE(units.has_value()) << utf8::Shown(c.text);
    EXPECT_EQ(*units, c.units) << utf8::Shown(c.text);
    EXPECT_EQ(utf8::FromUtf16(*units), c.text) << utf8::Shown(c.text);
  }
  EXPECT_EQ(utf8::SequenceLength("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", 0), 1u);
  EXPECT_EQ(utf8::SequenceLength("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", 1), 2u);
  EXPECT_EQ(utf8::SequenceLength("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", 3), 3u);
  EXPECT_EQ(utf8::SequenceLength("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", 6), 4u);
  EXPECT_EQ(utf8::SequenceLength("a", 1), 0u);  // past the end
}

TEST(Utf8, OverlongFormsAreRefused) {
  // C0 AF would be "/", C0 AE ".": a name checked for both would turn into
  // a path that climbs out of its folder.
  ExpectRefused({{"\xC0\xAF", 0},
                 {"in/\xC0\xAE\xC0\xAE\xC0\xAFx.txt", 3},
                 {"\xC1\xBF", 0},          // U+007F in two bytes
                 {"\xE0\x80\xAF", 0},      // "/" in three
                 {"\xE0\x9F\xBF", 0},      // U+07FF in three
                 {"\xF0\x80\x80\xAF", 0},  // "/" in four
                 {"\xF0\x8F\xBF\xBF", 0},  // U+FFFF in four
                 {"ok\xE0\x80\xAE\xE0\x80\xAE", 2}});
}

TEST(Utf8, SurrogatesAreRefused) {
  ExpectRefused({{"\xED\xA0\x80", 0},                // U+D800
                 {"\xED\xBF\xBF", 0},                // U+DFFF
                 {"a\xED\xB0\x80", 1},               // a low one alone
                 {"\xED\xA0\xBD\xED\xB8\x80", 0}});  // a pair encoded half by half (U+1F600 so spelled)
}

TEST(Utf8, CodePointsAboveTheLastAreRefused) {
  ExpectRefused({{"\xF4\x90\x80\x80", 0},  // U+110000
                 {"\xF4\xBF\xBF\xBF", 0},
                 {"x\xF5\x80\x80\x80", 1},  // a lead byte no sequence uses
                 {"\xF7\xBF\xBF\xBF", 0},
                 {"\xF8\x88\x80\x80\x80", 0},  // five bytes
                 {"\xFC\x84\x80\x80\x80\x80", 0},
                 {"\xFE", 0},
                 {"\xFF", 0}});
}

TEST(Utf8, StrayContinuationBytesAreRefused) {
  ExpectRefused({{"\x80", 0}, {"\xBF", 0}, {"a\x80z", 1}, {"\xC3\xA9\xA9", 2}, {"\xE2\x82\xAC\x80", 3}});
}

TEST(Utf8, TruncatedSequencesAreRefused) {
  ExpectRefused({{"\xC3", 0},
                 {"ab\xE2\x82", 2},
                 {"\xF0\x9F\x98", 0},
                 {"\xC3z", 0},  // broken off by a byte that does not continue it
                 {"\xE2\x82z", 0},
                 {"\xF0\x9F\x98z\xC3\xA9", 0},
                 {"\xE2\xC3\xA9", 0}});  // and by the start of the next character
}

TEST(Utf8, Utf16WithALoneSurrogateIsRefused) {
  EXPECT_EQ(utf8::FromUtf16(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
  for (const std::u16string& lone :
       {std::u16string(u"\xD800"), std::u16string(u"a\xDC00"), std::u16string(u"\xD800\xD800\xDC00"),
        std::u16string(u"\xDE00\xD83D"), std::u16string(u"x\xD83Dy")}) {
    EXPECT_FALSE(utf8::FromUtf16(lone).has_value()) << utf8::Shown(lone);
  }
}

TEST(Utf8, ARefusedTextIsShownWithItsBadBytesEscaped) {
  EXPECT_EQ(utf8::NotValidMessage("in/\xC0\xAE\xC0\xAE\xC0\xAFx.txt"),
            "The text \"in/\\xC0\\xAE\\xC0\\xAE\\xC0\\xAFx.txt\" is not valid UTF-8");
  EXPECT_EQ(utf8::NotValidMessage("a\xED\xA0\x80", "The source file"),
            "The source file \"a\\xED\\xA0\\x80\" is not valid UTF-8");
  EXPECT_EQ(utf8::NotValidMessage(u"a\xD800", "The name"), "The name \"a\\uD800\" is not valid UTF-16");
  // Good characters stay as they are; control characters and backslashes are
  // escaped, so that neither a line break nor a look-alike escape gets through.
  EXPECT_EQ(utf8::Shown("caf\xC3\xA9\r\n\x1B[1m\\xC0\x7F\xC0"), "caf\xC3\xA9\\x0D\\x0A\\x1B[1m\\\\xC0\\x7F\\xC0");
  EXPECT_EQ(utf8::EscapeInvalid("caf\xC3\xA9\r\\\xC0\xAF"), "caf\xC3\xA9\r\\\\xC0\\xAF");
}

TEST(Utf8, ALongTextIsShortenedInTheMiddleKeepingTheFirstBadByteInView) {
  // Cut between the start and the end, never inside a character: all of it
  // two-byte letters, with the bad byte near the end.
  const std::string letters(400, 'x');
  std::string accented;
  for (int i = 0; i < 200; ++i) accented += "\xC3\xA9";
  const std::string nearEnd = accented + "\xC0\xAF" + "end";
  const std::string shown = utf8::Shown(nearEnd, 40);
  EXPECT_LE(shown.size(), 40u);
  EXPECT_TRUE(utf8::IsValid(shown)) << shown;
  EXPECT_EQ(shown.rfind("\xC3\xA9", 0), 0u) << shown;
  EXPECT_NE(shown.find("..."), std::string::npos) << shown;
  EXPECT_EQ(shown.substr(shown.size() - 7), "\\xAFend") << shown;

  // A bad byte in the middle of a long text: the start, the bad byte with
  // what is round it, and the end, with a cut on each side.
  const std::string middle = letters + "/in/\xC0\xAE\xC0\xAE/" + letters + "tail";
  const std::string kept = utf8::Shown(middle, 60);
  EXPECT_LE(kept.size(), 60u);
  EXPECT_EQ(kept.rfind("xxx", 0), 0u) << kept;
  EXPECT_NE(kept.find("\\xC0\\xAE\\xC0\\xAE"), std::string::npos) << kept;
  EXPECT_EQ(kept.substr(kept.size() - 4), "tail") << kept;
  size_t cuts = 0;
  for (size_t at = kept.find("..."); at != std::string::npos; at = kept.find("...", at + 3)) ++cuts;
  EXPECT_EQ(cuts, 2u) << kept;

  // Short texts are not touched, and no escape is ever cut apart.
  EXPECT_EQ(utf8::Shown("short"), "short");
  const std::string bad(100, '\xFF');
  const std::string escapes = utf8::Shown(bad, 41);
  EXPECT_LE(escapes.size(), 41u);
  EXPECT_EQ((escapes.size() - 3) % 4, 0u) << escapes;
}

TEST(Utf8, RequireRaisesAnInvalidTextError) {
  EXPECT_NO_THROW(utf8::Require("caf\xC3\xA9"));
  try {
    utf8::Require("a\xC0\xAF", "The option");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::InvalidText);
    EXPECT_STREQ(e.what(), "The option \"a\\xC0\\xAF\" is not valid UTF-8");
  }
#ifdef _WIN32
  // Windows' texts are in the ANSI code page: the system reads them, not this check.
  EXPECT_TRUE(utf8::IsLibraryText("\xC0\xAF"));
  EXPECT_NO_THROW(utf8::RequireLibraryText("\xC0\xAF", "The source file"));
#else
  EXPECT_FALSE(utf8::IsLibraryText("\xC0\xAF"));
  EXPECT_TRUE(utf8::IsLibraryText("caf\xC3\xA9"));
  EXPECT_THROW(utf8::RequireLibraryText("\xC0\xAF", "The source file"), Error);
#endif
}

}  // namespace
}  // namespace quillet
