// The text of a PDF file through poppler: each page's words, laid out into
// lines of cells (TextLayout.h), pages in order.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "TextLayout.h"

namespace quillet::plugkit {

// Why a file gives no text; the message names the file.
class PdfFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The lines of every page of Path. Raises PdfFailure for a file that cannot
// be read, is empty, is no PDF document (or a damaged one), needs a password,
// has no pages, or holds no text at all.
std::vector<Cells> ReadPdfLines(const std::string& path);

}  // namespace quillet::plugkit
