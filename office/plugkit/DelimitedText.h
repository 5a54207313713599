// Writing a document's lines of cells as text: the delimiter that the
// option text asks for, and the text itself.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "TextLayout.h"

namespace quillet::plugkit {

// The delimiter of an option text: the character after the first
// "delimit=" ("delimit=," gives a comma, "delimit=" and a tab a tab). None
// without "delimit=" or with nothing after it: plain text.
std::optional<char> DelimiterOf(const std::string& option);

// Every line followed by CR LF. With a delimiter, the cells are joined by
// it, and a cell that holds the delimiter, a double quote, CR or LF is put in
// double quotes with its own double quotes doubled. Without one, the cells
// are joined by one blank.
std::string DelimitedText(const std::vector<Cells>& lines, std::optional<char> delimiter);

}  // namespace quillet::plugkit
