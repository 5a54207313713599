#include "formats/OpenFormats.h"

#include <fstream>
#include <initializer_list>

#include "automation/Failure.h"
#include "utilities/automation/FailureKinds.h"
#include "formats/Encodings.h"

namespace quillet::office::formats {

namespace {

const std::string kZip("PK\x03\x04", 4);
// An OLE2 compound file; it is also how an encrypted Office Open XML file looks.
const std::string kCompound("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

bool OneOf(const std::string& ext, std::initializer_list<const char*> list) {
  for (const char* e : list)
    if (ext == e) return true;
  return false;
}

// The converters, in the order FileConverters gives them. The last one is
// Word's text recovery, which opens anything as text.
constexpr WordConverter kConverters[] = {
    {"Word Document (Office Open XML)", "docx", "MS Word 2007 XML", 100},
    {"Word Macro-Enabled Document", "docm", "MS Word 2007 XML VBA", 101},
    {"Word Template (Office Open XML)", "dotx", "MS Word 2007 XML Template", 102},
    {"OpenDocument Text", "odt", "writer8", 103},
    {"OpenDocument Text Template", "ott", "writer8_template", 104},
    {"Flat XML OpenDocument Text", "fodt", "OpenDocument Text Flat XML", 105},
    {"Word 2003 XML Document", "xml", "MS Word 2003 XML", 106},
    {"WordPerfect Document", "wpd", "WordPerfect", 107},
    {"Microsoft Works Document", "wps", "MS_Works", 108},
    {"Lotus WordPro Document", "lwp", "LotusWordPro", 109},
    {"AbiWord Document", "abw", "AbiWord", 110},
    {"Apple Pages Document", "pages", "Apple Pages", 111},
    {"StarOffice XML Text", "sxw", "StarOffice XML (Writer)", 112},
    {"Hangul WP 97", "hwp", "writer_MIZI_Hwp_97", 113},
    {"Microsoft Write", "wri", "MS_Write", 114},
    {"FictionBook 2", "fb2", "FictionBook 2", 115},
    {"Recover Text from Any File", "*", "Text (encoded)", 116},
};

// Word's own open formats (wdOpenFormat...).
struct BuiltIn {
  int format;
  const char* filter;  // "" detects
};
constexpr BuiltIn kWordFormats[] = {
    {0, ""},
    {1, "MS Word 97"},
    {2, "MS Word 97 Vorlage"},
    {3, "Rich Text Format"},
    {4, "Text (encoded)"},
    {5, "Text (encoded)"},
    {6, ""},
    {7, "HTML (StarWriter)"},
    {8, "MS Word 2003 XML"},
    {9, "MS Word 2007 XML"},
    {10, "MS Word 2007 XML VBA"},
    {11, "MS Word 2007 XML Template"},
    {18, "writer8"},
};

bool ValidUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0) return false;
    if (i + n > s.size()) return true;  // a character cut by the sample's end
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

// A plain-text import: the code page from the byte-order mark, else UTF-8
// when the text is valid UTF-8, else Windows-1252.
OpenRule TextRule(const std::string& path, std::optional<int> unicode = std::nullopt) {
  std::ifstream in(path, std::ios::binary);
  std::string head(64 * 1024, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  int codePage = kUtf8;
  if (unicode || head.rfind("\xFF\xFE", 0) == 0)
    codePage = kUtf16;
  else if (head.rfind("\xFE\xFF", 0) == 0)
    codePage = kUtf16BigEndian;
  else if (head.rfind("\xEF\xBB\xBF", 0) != 0 && !ValidUtf8(head))
    codePage = 1252;
  OpenRule rule;
  rule.filter = "Text (encoded)";
  rule.options = CharsetName(codePage) + ",CRLF,,,";
  rule.encoding = codePage;
  return rule;
}

OpenRule Detect(std::vector<std::string> accepted, std::vector<std::string> signatures = {},
                bool emptyAllowed = false) {
  OpenRule rule;
  rule.accepted = std::move(accepted);
  rule.signatures = std::move(signatures);
  rule.emptyAllowed = emptyAllowed;
  return rule;
}

OpenRule Forced(const char* filter, std::string options = {}) {
  OpenRule rule;
  rule.filter = filter;
  rule.options = std::move(options);
  return rule;
}

}  // namespace

std::string LowerExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot + 1);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return ext;
}

std::span<const WordConverter> WordConverters() { return kConverters; }

OpenRule WordOpenRule(const std::string& path, std::optional<int> format) {
  if (format && *format != 0 && *format != 6) {
    for (const BuiltIn& b : kWordFormats) {
      if (b.format != *format) continue;
      if (*format == 4) return TextRule(path);
      if (*format == 5) return TextRule(path, kUtf16);
      return Forced(b.filter);
    }
    for (const WordConverter& c : kConverters) {
      if (c.openFormat != *format) continue;
      if (std::string(c.filter) == "Text (encoded)") return TextRule(path);
      return Forced(c.filter);
    }
    throw Failure("This file format is not available: " + std::to_string(*format), ole::kFormatNotAvailable);
  }
  const std::string ext = LowerExtension(path);
  if (OneOf(ext, {"docx", "docm", "dotx", "dotm"}))
    return Detect({"MS Word 2007 XML*", "Office Open XML Text*"}, {kZip, kCompound});
  if (OneOf(ext, {"doc", "dot", "wiz"}))
    return Detect({"MS Word 9*", "MS WinWord*", "MS Word 2007 XML*", "MS Word 2003 XML", "Rich Text Format",
                   "Office Open XML Text*", "DosWord"});
  if (ext == "rtf") return Detect({"Rich Text Format"}, {"{\\rtf"});
  if (OneOf(ext, {"odt", "ott"})) return Detect({"writer8*"}, {kZip});
  if (ext == "fodt") return Detect({"OpenDocument Text Flat XML"});
  if (ext == "xml") return Detect({"MS Word 2003 XML", "OpenDocument Text Flat XML", "DocBook File"});
  if (OneOf(ext, {"htm", "html", "xhtml"})) {
    OpenRule rule = Forced("HTML (StarWriter)");
    return rule;
  }
  if (OneOf(ext, {"txt", "text", "asc", "ans", "csv", "log", ""})) return TextRule(path);
  for (const WordConverter& c : kConverters)
    if (ext == c.extensions) return Detect({c.filter});
  // Anything else: whatever Writer can read, as Word opens what it can.
  OpenRule any;
  return any;
}

OpenRule PdfImportRule() {
  OpenRule rule = Forced("draw_pdf_import");
  rule.signatures = {"%PDF-"};
  rule.emptyAllowed = false;
  return rule;
}

OpenRule ExcelOpenRule(const std::string& path) {
  const std::string ext = LowerExtension(path);
  if (OneOf(ext, {"xlsx", "xlsm", "xltx", "xltm"}))
    return Detect({"Calc MS Excel 2007 XML*", "Calc MS Excel 2007 VBA XML", "Calc Office Open XML*"},
                  {kZip, kCompound});
  if (ext == "xlsb") return Detect({"Calc MS Excel 2007 Binary"}, {kZip, kCompound});
  if (OneOf(ext, {"xls", "xlt", "xlw"}))
    return Detect({"MS Excel *", "Calc MS Excel 2007 XML*", "Calc Office Open XML*", "HTML (StarCalc)",
                   "calc_HTML_WebQuery", "MS Excel 2003 XML Orcus"});
  if (OneOf(ext, {"ods", "ots"})) return Detect({"calc8*"}, {kZip});
  if (ext == "fods") return Detect({"OpenDocument Spreadsheet Flat XML"});
  if (ext == "csv") return Forced("Text - txt - csv (StarCalc)", "44,34,76,1");
  if (OneOf(ext, {"txt", "tab", "tsv", "prn"})) return Forced("Text - txt - csv (StarCalc)", "9,34,76,1");
  if (OneOf(ext, {"htm", "html"})) return Forced("HTML (StarCalc)");
  OpenRule any;
  return any;
}

OpenRule PowerPointOpenRule(const std::string& path) {
  const std::string ext = LowerExtension(path);
  if (OneOf(ext, {"pptx", "pptm", "ppsx", "ppsm", "potx", "potm"}))
    return Detect({"Impress MS PowerPoint 2007 XML*", "Impress Office Open XML*"}, {kZip, kCompound});
  if (OneOf(ext, {"ppt", "pps", "pot"}))
    return Detect({"MS PowerPoint 97*", "Impress MS PowerPoint 2007 XML*", "Impress Office Open XML*"});
  if (OneOf(ext, {"odp", "otp"})) return Detect({"impress8*"}, {kZip});
  if (ext == "fodp") return Detect({"OpenDocument Presentation Flat XML"});
  OpenRule any;
  return any;
}

}  // namespace quillet::office::formats
