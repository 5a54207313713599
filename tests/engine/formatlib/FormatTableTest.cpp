#include <gtest/gtest.h>

#include "TestSupport.h"
#include "engine/formatlib/FormatTable.h"

namespace quillet {
namespace {

TEST(FormatTable, KeyIsDescriptionOnlyForRowsWithAnApplication) {
  TFormatList t;
  AddFormat(t, "Text only(*.txt)", "2", "*.txt", "");
  AddFormat(t, "Text only(*.txt)", "2", "*.txt", "MS Word");
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].Key, "2=Text only(*.txt)");
  EXPECT_EQ(t[1].Key, "Text only(*.txt)");
  EXPECT_EQ(t[1].AppName, "MS Word");
}

TEST(FormatTable, ListTextJoinsRowsWithCrLfAndNoTrailingBreak) {
  TFormatList t;
  std::string text = "stale";
  FormatListText(t, text);
  EXPECT_EQ(text, "");
  AddFormat(t, "Word Documents(*.doc)", "0", "*.doc", "MS Word");
  AddFormat(t, "Text only(*.txt)", "2", "*.txt", "");
  FormatListText(t, text);
  EXPECT_EQ(text, "Word Documents(*.doc):0:*.doc:MS Word\r\n2=Text only(*.txt):2:*.txt:");
}

TEST(FormatTable, FindFormatExtUsesTheFirstMatchingRow) {
  test::MessageBoxRecorder boxes;
  TFormatList t;
  AddFormat(t, "A", "2", "*.txt", "");
  AddFormat(t, "B", "2", "*.htm;*.html", "");
  AddFormat(t, "C", "8", "*.htm;*.html", "");
  std::string ext = "x";
  FindFormatExt(t, "2", ext);
  EXPECT_EQ(ext, ".txt");
  FindFormatExt(t, "8", ext);
  EXPECT_EQ(ext, ".html");
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST(FormatTable, MissingCodeShowsOneBoxAndGivesNoExtension) {
  test::MessageBoxRecorder boxes;
  TFormatList t;
  AddFormat(t, "A", "2", "*.txt", "");
  std::string ext = "x";
  FindFormatExt(t, "02", ext);  // compared as whole text, not as a number
  EXPECT_EQ(ext, "");
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text, "File format 02 do not exist!");
  EXPECT_EQ(boxes.boxes()[0].caption, "Error");
}

TEST(FormatTable, RowAccessByPosition) {
  test::MessageBoxRecorder boxes;
  TFormatList t;
  AddFormat(t, "A", "2", "*.txt", "");
  AddFormat(t, "B", "3", "*.doc", "");
  AddFormat(t, "C", "4", "*.rtf", "");
  std::string code, ext;
  FormatCodeAt(t, 1, code);
  EXPECT_EQ(code, "3");
  FormatExtAt(t, 2, ext);
  EXPECT_EQ(ext, ".rtf");
  EXPECT_TRUE(boxes.boxes().empty());
  FormatExtAt(t, 5, ext);
  EXPECT_EQ(ext, "");
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text, "No. 5 File format do not exist!");
  FormatExtAt(t, -1, ext);
  EXPECT_EQ(boxes.boxes().size(), 2u);
}

TEST(FormatTable, FreeReleasesTheTable) {
  auto t = std::make_unique<TFormatList>();
  AddFormat(*t, "A", "2", "*.txt", "");
  FreeFormats(t);
  EXPECT_EQ(t, nullptr);
  FreeFormats(t);  // a second release is harmless
}

}  // namespace
}  // namespace quillet
