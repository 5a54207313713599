#include "PdfText.h"

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>

#include <fstream>
#include <iterator>
#include <limits>
#include <memory>

namespace quillet::plugkit {

namespace {

// Poppler reports what it repairs or skips on standard error; the converter's
// caller gets one clear answer instead.
void Quiet(const std::string&, void*) {}

std::string Utf8(const poppler::ustring& text) {
  const poppler::byte_array bytes = text.to_utf8();
  return std::string(bytes.begin(), bytes.end());
}

std::vector<WordBox> WordsOf(const poppler::page& page) {
  std::vector<WordBox> words;
  for (const poppler::text_box& box : page.text_list()) {
    const poppler::rectf r = box.bbox();
    words.push_back(WordBox{Utf8(box.text()), r.left(), r.top(), r.right(), r.bottom(), box.has_space_after()});
  }
  return words;
}

}  // namespace

std::vector<Cells> ReadPdfLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PdfFailure("Can not open " + path);
  // Poppler reads the document from this buffer for as long as it is open.
  const std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw PdfFailure("Can not read " + path);
  if (data.empty()) throw PdfFailure("The file is empty, it is not a PDF document: " + path);
  if (data.size() > static_cast<size_t>(std::numeric_limits<int>::max()))
    throw PdfFailure("The file is too large to be read as a PDF document: " + path);

  poppler::set_debug_error_function(Quiet, nullptr);
  const std::unique_ptr<poppler::document> doc(
      poppler::document::load_from_raw_data(data.data(), static_cast<int>(data.size())));
  if (!doc) throw PdfFailure("The file is not a PDF document, or it is damaged: " + path);
  if (doc->is_locked()) throw PdfFailure("The PDF document is protected by a password: " + path);
  const int pages = doc->pages();
  if (pages <= 0) throw PdfFailure("The PDF document has no pages: " + path);

  std::vector<Cells> lines;
  for (int i = 0; i < pages; ++i) {
    const std::unique_ptr<poppler::page> page(doc->create_page(i));
    if (!page) continue;
    for (Cells& line : LayOutLines(WordsOf(*page))) lines.push_back(std::move(line));
  }
  if (lines.empty()) throw PdfFailure("The PDF document holds no text: " + path);
  return lines;
}

}  // namespace quillet::plugkit
