// Destination format codes with a meaning of their own to the converter. A
// code is the text of a number and is compared as whole text: "044" is not
// "44". Every other code is handed to the application as its save format.
//
// Thread-safety: constant data; any thread.
#pragma once

#include <string_view>

namespace quillet::formats {

// The converter's own codes.
inline constexpr std::string_view kPdfByPrinting = "-1";        // printed to PostScript, then made a PDF
inline constexpr std::string_view kWordWithRevisions = "-2";    // a Word document with its revision marks
inline constexpr std::string_view kEncodedText = "-3";          // text in the source's character set
inline constexpr std::string_view kDelimitedByComma = "-4";     // delimited text from a PDF
inline constexpr std::string_view kDelimitedByTab = "-5";
inline constexpr std::string_view kDelimitedBySemicolon = "-6";
inline constexpr std::string_view kPresentationText = "9999";   // the text of a presentation

// Application save formats the converter treats apart.
inline constexpr std::string_view kWordHtml = "8";              // Word: web page (its links to documents rewritten)
inline constexpr std::string_view kWordPdf = "17";              // Word: PDF
inline constexpr std::string_view kExcelHtml = "44";            // Excel: web page (Office 2000 or later)
inline constexpr std::string_view kExcelPdf = "57";             // Excel: PDF
inline constexpr std::string_view kPowerPointHtml = "12";       // PowerPoint: web page (Office 2000 or later)
inline constexpr std::string_view kPowerPointGif = "16";        // PowerPoint: a GIF picture per slide
inline constexpr std::string_view kPowerPointJpeg = "17";       // PowerPoint: a JPEG picture per slide
inline constexpr std::string_view kPowerPointPdf = "32";        // PowerPoint: PDF

}  // namespace quillet::formats
