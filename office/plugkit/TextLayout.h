// The lines and cells of a page's text, from the boxes of its words.
//
// Words whose vertical middles fall within one band form a line, read from
// left to right. Between two words of a line, a gap wider than the line is
// tall always starts a new cell, and one narrower than about a quarter of
// that never does (a blank between words is a little less). A gap in between
// starts a new cell when a column gap of its block runs through it: a stretch
// that no word of any line of the block covers and that another line of the
// block spans, the block being the lines that follow each other at no more
// than a line's height apart. So the narrow column gaps of a table are found,
// while the wider blanks of justified prose, which do not line up from line
// to line, are not.
// Coordinates grow to the right and down.
#pragma once

#include <string>
#include <vector>

namespace quillet::plugkit {

struct WordBox {
  std::string text;  // UTF-8
  double left = 0, top = 0, right = 0, bottom = 0;
  bool spaceAfter = true;  // the PDF's text has a blank after the word
};

using Cells = std::vector<std::string>;

// The lines of one page, top to bottom, each as its cells.
std::vector<Cells> LayOutLines(std::vector<WordBox> words);

}  // namespace quillet::plugkit
