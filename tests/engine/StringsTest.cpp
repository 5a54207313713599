#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/error.h"
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
}

}  // namespace
}  // namespace quillet
