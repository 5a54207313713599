// PDF files made for the tests of the service's PDF work, whose pages carry a
// mark to tell them apart after a merge or a split: page i is 100 + i points
// wide.
#pragma once

#include <string>
#include <vector>

namespace quillet::test {

// A PDF of Pages marked pages; Annotated gives the first page a square
// annotation with its appearance (for flattening).
std::string MarkedPdf(int pages, bool annotated = false);

// The marks of Pdf's pages (the file's bytes), in order; Password opens an
// encrypted one.
std::vector<int> Marks(const std::string& pdf, const char* password = nullptr);

}  // namespace quillet::test
