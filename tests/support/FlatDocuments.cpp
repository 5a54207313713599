#include "FlatDocuments.h"

#include <cstdlib>

namespace quillet::test {

namespace {

const char* kNamespaces =
    " xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
    " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
    " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
    " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\""
    " xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\""
    " xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\""
    " xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\""
    " xmlns:xlink=\"http://www.w3.org/1999/xlink\""
    " xmlns:presentation=\"urn:oasis:names:tc:opendocument:xmlns:presentation:1.0\""
    " office:version=\"1.3\"";

// A font family as an attribute's value: quoted, with control characters as
// character references.
std::string FontAttribute(const std::string& font) {
  std::string out;
  for (const char c : font) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '"')
      out += "&quot;";
    else if (static_cast<unsigned char>(c) < 0x20)
      out += "&#" + std::to_string(static_cast<int>(c)) + ";";
    else
      out += c;
  }
  return "'" + out + "'";
}

}  // namespace

std::string XmlEscape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '"')
      out += "&quot;";
    else
      out += c;
  }
  return out;
}

std::string FlatText(const std::string& body, const std::string& styles) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document") + kNamespaces +
         " office:mimetype=\"application/vnd.oasis.opendocument.text\">\n<office:automatic-styles>" + styles +
         "</office:automatic-styles>\n<office:body><office:text>\n" + body +
         "\n</office:text></office:body></office:document>\n";
}

std::string FlatSpreadsheet(const std::vector<std::pair<std::string, std::vector<std::vector<std::string>>>>& sheets) {
  std::string body;
  for (const auto& [name, rows] : sheets) {
    body += "<table:table table:name=\"" + XmlEscape(name) + "\">";
    for (const auto& row : rows) {
      body += "<table:table-row>";
      for (const std::string& cell : row) {
        char* end = nullptr;
        std::strtod(cell.c_str(), &end);
        if (!cell.empty() && *end == 0)
          body += "<table:table-cell office:value-type=\"float\" office:value=\"" + cell + "\"><text:p>" + cell +
                  "</text:p></table:table-cell>";
        else
          body += "<table:table-cell office:value-type=\"string\"><text:p>" + XmlEscape(cell) +
                  "</text:p></table:table-cell>";
      }
      body += "</table:table-row>";
    }
    body += "</table:table>\n";
  }
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document") + kNamespaces +
         " office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">\n<office:body><office:spreadsheet>\n" +
         body + "</office:spreadsheet></office:body></office:document>\n";
}

std::string FlatPresentation(const std::vector<std::vector<std::vector<std::string>>>& slides) {
  std::string body;
  int n = 0;
  for (const auto& slide : slides) {
    body += "<draw:page draw:name=\"page" + std::to_string(++n) + "\">";
    int y = 1;
    for (const auto& box : slide) {
      body += "<draw:frame svg:x=\"1cm\" svg:y=\"" + std::to_string(y) +
              "cm\" svg:width=\"20cm\" svg:height=\"2cm\"><draw:text-box>";
      for (const std::string& p : box) body += "<text:p>" + XmlEscape(p) + "</text:p>";
      body += "</draw:text-box></draw:frame>";
      y += 3;
    }
    body += "</draw:page>\n";
  }
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document") + kNamespaces +
         " office:mimetype=\"application/vnd.oasis.opendocument.presentation\">\n<office:body><office:presentation>\n" +
         body + "</office:presentation></office:body></office:document>\n";
}

std::string FlatWithFonts(const std::string& ext, const std::vector<std::string>& fonts) {
  std::string styles, body;
  for (size_t i = 0; i < fonts.size(); ++i) {
    const std::string n = std::to_string(i), family = FontAttribute(fonts[i]);
    const std::string properties = "<style:text-properties fo:font-family=\"" + family + "\"/>";
    if (ext == "docx") {
      styles += "<style:style style:name=\"P" + n + "\" style:family=\"paragraph\">" + properties + "</style:style>";
      body += "<text:p text:style-name=\"P" + n + "\">Words in font " + n + ".</text:p>";
    } else if (ext == "xlsx") {
      styles += "<style:style style:name=\"C" + n + "\" style:family=\"table-cell\">" + properties + "</style:style>";
      body += "<table:table-row><table:table-cell table:style-name=\"C" + n +
              "\" office:value-type=\"string\"><text:p>Cell in font " + n +
              "</text:p></table:table-cell></table:table-row>";
    } else {
      styles += "<style:style style:name=\"T" + n + "\" style:family=\"text\">" + properties + "</style:style>";
      body += "<draw:frame svg:x=\"1cm\" svg:y=\"" + std::to_string(1 + 3 * i) +
              "cm\" svg:width=\"20cm\" svg:height=\"2cm\"><draw:text-box><text:p><text:span text:style-name=\"T" + n +
              "\">Box in font " + n + "</text:span></text:p></draw:text-box></draw:frame>";
    }
  }
  const std::string head = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document") + kNamespaces;
  const std::string styled = "<office:automatic-styles>" + styles + "</office:automatic-styles>";
  if (ext == "docx")
    return head + " office:mimetype=\"application/vnd.oasis.opendocument.text\">" + styled +
           "<office:body><office:text>" + body + "</office:text></office:body></office:document>\n";
  if (ext == "xlsx")
    return head + " office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">" + styled +
           "<office:body><office:spreadsheet><table:table table:name=\"Fonts\">" + body +
           "</table:table></office:spreadsheet></office:body></office:document>\n";
  return head + " office:mimetype=\"application/vnd.oasis.opendocument.presentation\">" + styled +
         "<office:body><office:presentation><draw:page draw:name=\"page1\">" + body +
         "</draw:page></office:presentation></office:body></office:document>\n";
}

}  // namespace quillet::test
