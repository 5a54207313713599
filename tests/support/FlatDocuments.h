// Source documents written as flat OpenDocument files (one XML file each),
// which LibreOffice reads as they are: the tests turn them into Office
// formats through the stand-ins or the library itself.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quillet::test {

// A flat OpenDocument text whose paragraphs are Body (ODF XML of text:p
// elements), with the automatic styles Styles.
std::string FlatText(const std::string& body, const std::string& styles = {});
// Sheets, each a name and its rows of cells; a cell that reads as a number
// is a number.
std::string FlatSpreadsheet(const std::vector<std::pair<std::string, std::vector<std::vector<std::string>>>>& sheets);
// Slides, each a list of text boxes, each a list of paragraphs.
std::string FlatPresentation(const std::vector<std::vector<std::vector<std::string>>>& slides);

// Text with &, < and " escaped for XML.
std::string XmlEscape(const std::string& s);

// The flat document (.fodt, .fods, .fodp) of a .docx, .xlsx or .pptx (by Ext)
// with a paragraph, cell or text box in each of Fonts (names may hold any
// character XML can carry: control characters go in as character references).
std::string FlatWithFonts(const std::string& ext, const std::vector<std::string>& fonts);
// Fonts of each kind: one the machine has, one with a metric-compatible
// substitute, one nobody has.
inline const std::string kPresentFont = "DejaVu Sans";
inline const std::string kCompatibleFont = "Calibri";
inline const std::string kMissingFont = "Quillet Missing Sans";

}  // namespace quillet::test
