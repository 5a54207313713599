// The layout of a page's words into lines and cells, and the delimited text
// written from them, on word boxes made up here (the boxes and gaps of a
// 10-point table exported from a spreadsheet: blanks of 3 points, column gaps
// of 8 points and more, lines 13 points tall).
#include <gtest/gtest.h>

#include "DelimitedText.h"
#include "TextLayout.h"

namespace quillet::plugkit {
namespace {

using Lines = std::vector<Cells>;

// A word at Left on the line whose top is Top, one point wide per character
// times Scale.
WordBox Word(const std::string& text, double left, double top, double scale = 5.0) {
  return WordBox{text, left, top, left + scale * static_cast<double>(text.size()), top + 13, true};
}

TEST(TextLayout, WordsFormLinesTopToBottomAndCellsLeftToRight) {
  // Given in no particular order, as a PDF may hold them; the second line
  // sits a little lower on the page at its right end.
  const Lines lines = LayOutLines({Word("pie", 85, 90), Word("Count", 140, 77), Word("Fruit", 57, 77),
                                   Word("3", 150, 91), Word("Apple", 57, 90), Word("Colour", 100, 77)});
  EXPECT_EQ(lines, (Lines{{"Fruit", "Colour", "Count"}, {"Apple pie", "3"}}));
}

TEST(TextLayout, NarrowColumnGapsCountWhereTheyLineUpThroughTheBlock) {
  // "Qty" and "Price" are 8 points apart, more than a blank, less than a
  // line's height: the gap holds the column gap that runs through every
  // line of the table (x from 137 to 139).
  const Lines table = LayOutLines({Word("Qty", 113, 77, 6), Word("Price", 139, 77), Word("3", 131, 90, 6),
                                   Word("4.5", 155, 90), Word("12", 125, 103, 6), Word("0.75", 148, 103)});
  EXPECT_EQ(table, (Lines{{"Qty", "Price"}, {"3", "4.5"}, {"12", "0.75"}}));

  // The same gaps in justified prose do not line up from line to line: each
  // is covered by a word of the other line, and they stay blanks.
  const Lines prose = LayOutLines({Word("wide", 10, 0), Word("blank", 38, 0), Word("here", 70, 0),
                                   Word("andmore", 10, 13), Word("there", 53, 13), Word("too", 86, 13)});
  EXPECT_EQ(prose, (Lines{{"wide blank here"}, {"andmore there too"}}));
}

TEST(TextLayout, AStretchBeyondAShortLinesEndIsNoColumnGap) {
  // The widened blanks of a justified line over the short last line of its
  // paragraph: no word covers them, but no other line spans them either.
  const Lines lines = LayOutLines({Word("aaaa", 10, 0), Word("bbbb", 36, 0), Word("cccc", 62, 0), Word("dd", 10, 13)});
  EXPECT_EQ(lines, (Lines{{"aaaa bbbb cccc"}, {"dd"}}));
}

TEST(TextLayout, WideGapsAlwaysSplitAndPiecesOfAWordJoin) {
  WordBox first = Word("Bold", 10, 0), rest = Word("face", 30.5, 0);
  first.spaceAfter = false;  // one word in two fonts
  const Lines lines = LayOutLines({first, rest, Word("far", 80, 0)});
  EXPECT_EQ(lines, (Lines{{"Boldface", "far"}}));
}

TEST(TextLayout, ParagraphsApartAreBlocksOfTheirOwn) {
  // A two-line table with its column gap at x 20 to 28, and far below it a
  // line whose word covers that stretch: the table's gap stays a column gap.
  const Lines lines = LayOutLines(
      {Word("aa", 10, 0), Word("bb", 28, 0), Word("cc", 10, 13), Word("dd", 28, 13), Word("eeeeee", 10, 60)});
  EXPECT_EQ(lines, (Lines{{"aa", "bb"}, {"cc", "dd"}, {"eeeeee"}}));
}

TEST(TextLayout, EmptyWordsAndPagesGiveNothing) {
  EXPECT_EQ(LayOutLines({}), Lines{});
  EXPECT_EQ(LayOutLines({Word("", 10, 0)}), Lines{});
}

TEST(DelimitedText, TheDelimiterIsTheCharacterAfterDelimit) {
  EXPECT_EQ(DelimiterOf("delimit=,"), ',');
  EXPECT_EQ(DelimiterOf("delimit=\t"), '\t');
  EXPECT_EQ(DelimiterOf("Adobe Acrobat delimit=;x"), ';');
  EXPECT_EQ(DelimiterOf("delimit="), std::nullopt);
  EXPECT_EQ(DelimiterOf("Adobe Acrobat"), std::nullopt);
  EXPECT_EQ(DelimiterOf("Delimit=,"), std::nullopt);  // case-sensitive, as every keyword
}

TEST(DelimitedText, CellsAreJoinedAndQuotedWhereTheyHoldTheDelimiter) {
  const Lines lines = {{"Fig, dried", "say \"hi\"", "7"}, {"one"}, {}};
  EXPECT_EQ(DelimitedText(lines, ','), "\"Fig, dried\",\"say \"\"hi\"\"\",7\r\none\r\n\r\n");
  EXPECT_EQ(DelimitedText(lines, ';'), "Fig, dried;\"say \"\"hi\"\"\";7\r\none\r\n\r\n");
  EXPECT_EQ(DelimitedText(lines, std::nullopt), "Fig, dried say \"hi\" 7\r\none\r\n\r\n");
}

}  // namespace
}  // namespace quillet::plugkit
