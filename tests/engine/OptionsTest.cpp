#include <gtest/gtest.h>

#include "engine/Options.h"
#include "utilities/SysUtils.h"

namespace quillet {
namespace {

TEST(Options, KeywordsAreCaseSensitiveSubstrings) {
  EXPECT_TRUE(options::Has("xMS Wordy", "MS Word"));
  EXPECT_FALSE(options::Has("ms word", "MS Word"));
  EXPECT_FALSE(options::Has("usemacro", "USEMACRO"));
  EXPECT_TRUE(options::Has("a,USEMACRO\r\nb", "USEMACRO"));
}

TEST(Options, TestOrderNotTextOrderChoosesTheApplication) {
  EXPECT_EQ(options::ChooseApplication("MS Excel, MS Word"), "MS Excel");
  EXPECT_EQ(options::ChooseApplication("MS Word MS Powerpoint"), "MS Powerpoint");
  EXPECT_EQ(options::ChooseApplication("No MS Word"), "No MS Word");
  EXPECT_EQ(options::ChooseApplication("No MS Word Adobe Acrobat"), "No MS Word");
  EXPECT_EQ(options::ChooseApplication("MS PowerPoint"), "");  // capital P is not the keyword
  EXPECT_EQ(options::ChooseApplication(""), "");
}

TEST(Options, OpenFormatValueEndsAtTheFirstCrLfAfterIt) {
  EXPECT_EQ(options::OpenFormatValue("OPENFORMAT=5\r\nUSEGSDLL"), "5");
  EXPECT_EQ(options::OpenFormatValue("OPENFORMAT=8"), "8");
  // A keyword on a later line keeps its value: only a CR LF after it ends it.
  EXPECT_EQ(options::OpenFormatValue("MS Word\r\nOPENFORMAT=5"), "5");
  EXPECT_EQ(options::OpenFormatValue("A\r\nOPENFORMAT=5\r\nUSEGSDLL"), "5");
  EXPECT_EQ(options::OpenFormatValue("OPENFORMAT 7\r\nX"), "OPENFORMAT 7");
  EXPECT_EQ(options::OpenFormatValue("OPENFORMAT 7"), "");
  EXPECT_EQ(options::OpenFormatValue("OPENFORMAT=abc"), "abc");
}

TEST(ExtractBetween, MarkersAndTheWholeIfMissingFlag) {
  EXPECT_EQ(ExtractBetween("OPENFORMAT=8\r\nMORE", "OPENFORMAT=", "\r\n", false), "8");
  EXPECT_EQ(ExtractBetween("a;b;c", "", ";", true), "a;b;c");
  EXPECT_EQ(ExtractBetween("abc;def", "X=", ";", false), "abc");
  EXPECT_EQ(ExtractBetween("abc;def", "X=", ";", true), "abc;def");
  EXPECT_EQ(ExtractBetween("X=abc", "X=", ";", false), "abc");
  EXPECT_EQ(ExtractBetween("X=abc", "X=", ";", true), "X=abc");
  EXPECT_EQ(ExtractBetween("abc", "X=", ";", false), "");
  EXPECT_EQ(ExtractBetween("a;X=b", "X=", ";", false), "b");
  EXPECT_EQ(ExtractBetween("a;X=b;c", "X=", ";", false), "b");
  EXPECT_EQ(ExtractBetween("", "X=", ";", false), "");
}

}  // namespace
}  // namespace quillet
