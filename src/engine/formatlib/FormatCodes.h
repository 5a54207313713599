// Destination format codes with a meaning of their own to the converter. A
// code is the text of a number and is compared as whole text: "044" is not
// "44". Every other code is handed to the application as its save format.
//
// Thread-safety: constant data; any thread.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace quillet {

// A code with a meaning of its own, by its name (formats::kWordPdf).
struct TNamedFormat {
  std::string_view Code;
};

// The format code a request names, as the caller wrote it. It compares only
// with another code or with a named one, never with a bare literal.
class TFormatCode {
 public:
  TFormatCode() = default;
  explicit TFormatCode(std::string code) : code_(std::move(code)) {}
  TFormatCode(TNamedFormat named) : code_(named.Code) {}

  const std::string& Text() const { return code_; }
  bool Empty() const { return code_.empty(); }

  bool operator==(const TFormatCode&) const = default;
  bool operator==(TNamedFormat named) const { return code_ == named.Code; }

 private:
  std::string code_;
};

}  // namespace quillet

namespace quillet::formats {

// The converter's own codes.
inline constexpr TNamedFormat kPdfByPrinting{"-1"};      // printed to PostScript, then made a PDF
inline constexpr TNamedFormat kWordWithRevisions{"-2"};  // a Word document with its revision marks
inline constexpr TNamedFormat kEncodedText{"-3"};        // text in the source's character set
inline constexpr TNamedFormat kDelimitedByComma{"-4"};   // delimited text from a PDF
inline constexpr TNamedFormat kDelimitedByTab{"-5"};
inline constexpr TNamedFormat kDelimitedBySemicolon{"-6"};
inline constexpr TNamedFormat kPresentationText{"9999"};  // the text of a presentation

// Application save formats the converter treats apart.
inline constexpr TNamedFormat kWordHtml{"8"};         // Word: web page (its links to documents rewritten)
inline constexpr TNamedFormat kWordPdf{"17"};         // Word: PDF
inline constexpr TNamedFormat kExcelHtml{"44"};       // Excel: web page (Office 2000 or later)
inline constexpr TNamedFormat kExcelPdf{"57"};        // Excel: PDF
inline constexpr TNamedFormat kPowerPointHtml{"12"};  // PowerPoint: web page (Office 2000 or later)
inline constexpr TNamedFormat kPowerPointGif{"16"};   // PowerPoint: a GIF picture per slide
inline constexpr TNamedFormat kPowerPointJpeg{"17"};  // PowerPoint: a JPEG picture per slide
inline constexpr TNamedFormat kPowerPointPdf{"32"};   // PowerPoint: PDF

}  // namespace quillet::formats
