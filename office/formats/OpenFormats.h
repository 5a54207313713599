// How a file is opened: what the extension allows LibreOffice's detection to
// choose, or the import filter to use. Word's Documents.Open also takes a
// Format number: Word's own open formats (0 detects, 1 .doc, 3 RTF, 4 text
// ...) and the numbers of the converters its FileConverters lists.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillet::office::formats {

struct OpenRule {
  std::string filter;                   // the import filter to use; empty: detect
  std::string options;                  // its options
  std::vector<std::string> accepted;    // detected filters allowed ("Prefix*" for a family); empty: any
  std::vector<std::string> signatures;  // the file must start with one of these; empty: anything
  bool emptyAllowed = true;             // a file of no bytes is a document (an empty text)
  int encoding = 0;                     // the code page of a text import, else 0
};

// One of the import formats beyond Word's built-in ones, as FileConverters
// lists them.
struct WordConverter {
  const char* formatName;
  const char* extensions;
  const char* filter;
  int openFormat;
};
std::span<const WordConverter> WordConverters();

// Raises Failure for a Format that is not known.
OpenRule WordOpenRule(const std::string& path, std::optional<int> format);
// A PDF file through LibreOffice's PDF import, which makes a drawing of it
// (Word 2013 and later open PDF files: "PDF Reflow").
OpenRule PdfImportRule();
OpenRule ExcelOpenRule(const std::string& path);
OpenRule PowerPointOpenRule(const std::string& path);

// The lower-case extension of Path without its dot ("" when none).
std::string LowerExtension(const std::string& path);

}  // namespace quillet::office::formats
