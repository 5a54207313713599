#include <gtest/gtest.h>

#include <random>
#include <string_view>

#include "TestSupport.h"
#include "platform/error.h"
#include "platform/path.h"
#include "utilities/Strings.h"
#include "utilities/TextLines.h"

namespace quillet {
namespace {

TEST(Strings, CaseMappingTouchesAsciiLettersOnly) {
  EXPECT_EQ(LowerCase("AbC#32770\xC4"), "abc#32770\xC4");
  EXPECT_EQ(UpperCase("v:imagedata\xE4"), "V:IMAGEDATA\xE4");
  EXPECT_TRUE(SameText("&Yes", "&yES"));
  EXPECT_FALSE(SameText("Yes", "&Yes"));
}

TEST(Strings, TrimAndReplaceAll) {
  EXPECT_EQ(Trim(" \t\r\n a b\x01 \x7f\x1f "), "a b\x01 \x7f");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // bytes above 127 are not blanks
  EXPECT_EQ(Trim(" \r\n"), "");

  EXPECT_EQ(ReplaceAll("a\"/>b\"/>", "\"/>", ""), "ab");
  // Found in the original text, left to right, never in what was put in.
  EXPECT_EQ(ReplaceAll("aaaa", "aa", "a"), "aa");
  EXPECT_EQ(ReplaceAll("abab", "ab", "abab"), "abababab");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAllText("<BODY OnLoad=a onload=b>", "onload", "onload1"), "<BODY onload1=a onload1=b>");
  EXPECT_EQ(ReplaceAllText("ONLOADONLOAD\xC4", "OnLoad", "x"), "xx\xC4");
}

TEST(Strings, StrToIntAcceptsWholeIntegersOnly) {
  EXPECT_EQ(StrToInt("12"), 12);
  EXPECT_EQ(StrToInt(" -7"), -7);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("0x10"), 16);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_THROW(StrToInt("2147483648"), Error);
  EXPECT_THROW(StrToInt("99999999999999999999"), Error);
  EXPECT_THROW(StrToInt(""), Error);
  EXPECT_THROW(StrToInt("1 "), Error);
  EXPECT_THROW(StrToInt("-"), Error);
  EXPECT_EQ(test::ErrorOf([] { StrToInt("abc"); }), "'abc' is not a valid integer value");
}

TEST(TextLines, SplitsAtCrLfOrEitherAloneAndStopsAtNul) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (StringList{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n"), (StringList{"a"}));
  EXPECT_EQ(SplitLines("\r\n\r\n"), (StringList{"", ""}));
  EXPECT_EQ(SplitLines(""), StringList{});
  EXPECT_EQ(SplitLines(std::string("ab\0cd\r\nx", 9)), (StringList{"ab"}));
  EXPECT_EQ(JoinLinesCrLf({"a", "", "b"}), "a\r\n\r\nb\r\n");
  EXPECT_EQ(SplitLines("\r\r\n\n\r"), (StringList{"", "", "", ""}));
  EXPECT_EQ(SplitLines("a\n\r\nb\r"), (StringList{"a", "", "b"}));
}

TEST(TextLines, CrLfLinesIsJoiningTheSplitLines) {
  for (const std::string_view text : {"", "a", "a\r\n", "\r", "\n\n", "a\rb\nc\r\nd", "\r\r\n\n\r"})
    EXPECT_EQ(CrLfLines(text), JoinLinesCrLf(SplitLines(text))) << testing::PrintToString(std::string(text));
  // Generated texts of line breaks, NULs and letters.
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> length(0, 30), pick(0, 5);
  for (int i = 0; i < 3000; ++i) {
    std::string text;
    for (int n = length(rng); n > 0; --n) text += "\r\n\rab\0"[pick(rng)];
    ASSERT_EQ(CrLfLines(text), JoinLinesCrLf(SplitLines(text))) << testing::PrintToString(text);
  }
}

TEST(TextLines, FilesAreReadWholeAndWrittenWithCrLf) {
  test::TempDir dir;
  const std::string file = dir / "big.txt";
  // Larger than one read: every byte arrives, NULs included.
  std::string big(200000, 'x');
  for (size_t i = 0; i < big.size(); i += 1000) big[i] = i % 3000 == 0 ? '\0' : '\n';
  test::WriteFile(file, big);
  EXPECT_EQ(LoadTextFromFile(file), big);
  EXPECT_EQ(LoadLinesFromFile(file), SplitLines(big));

  SaveTextLinesToFile(file, "a\nb\rc");
  EXPECT_EQ(test::ReadFile(file), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(test::ErrorOf([&] { LoadTextFromFile(dir / "missing.txt"); }), "Cannot open file " + (dir / "missing.txt"));
  // A folder opens like a file on some systems, with a size that means nothing.
  EXPECT_EQ(test::ErrorOf([&] { LoadTextFromFile(dir.path()); }), "Cannot open file " + dir.path());
  const std::string unwritable = path::IncludeTrailingDelimiter(dir / "no-folder") + "out.txt";
  EXPECT_EQ(test::ErrorOf([&] { SaveTextLinesToFile(unwritable, "a"); }), "Cannot create file " + unwritable);
#ifndef _WIN32
  // The system's own files report no size but have content all the same.
  EXPECT_EQ(LoadTextFromFile("/proc/self/cmdline").empty(), false);
#endif
}

}  // namespace
}  // namespace quillet
