// The format lists of the format library: what Writer opens for it (Word's
// own open formats and its converters) and the Word save formats it writes.
#include "fmtbridge/Convert.h"
#include "formats/OpenFormats.h"
#include "formats/SaveFormats.h"

namespace quillet::office::fmtbridge {

namespace {

struct Listed {
  const char* name;
  int format;
  const char* patterns;
};

constexpr Listed kOpened[] = {
    {"Word Document", 1, "*.doc"},   {"Rich Text Format", 3, "*.rtf"},       {"Text", 4, "*.txt"},
    {"Web Page", 7, "*.htm;*.html"}, {"Word 2003 XML Document", 8, "*.xml"},
};

constexpr Listed kSaved[] = {
    {"Word 97-2003 Document", 0, "*.doc"}, {"Plain Text", 2, "*.txt"},      {"MS-DOS Text", 4, "*.txt"},
    {"Rich Text Format", 6, "*.rtf"},      {"Unicode Text", 7, "*.txt"},    {"Web Page", 8, "*.htm;*.html"},
    {"Word 2003 XML", 11, "*.xml"},        {"Word Document", 16, "*.docx"}, {"PDF", 17, "*.pdf"},
    {"OpenDocument Text", 23, "*.odt"},
};

void AddLine(std::string& list, const std::string& name, int format, const std::string& patterns) {
  list += (list.empty() ? "" : "\r\n") + name + ":" + std::to_string(format) + ":" + patterns + ":";
}

}  // namespace

std::string SourceFormatList() {
  std::string list;
  for (const Listed& f : kOpened) AddLine(list, f.name, f.format, f.patterns);
  for (const formats::WordConverter& c : formats::WordConverters())
    AddLine(list, c.formatName, c.openFormat, std::string("*.") + c.extensions);
  return list;
}

std::string DestFormatList() {
  std::string list;
  for (const Listed& f : kSaved) {
    formats::FindSaveFormat(formats::Application::Word, f.format);  // each is one the library writes
    AddLine(list, f.name, f.format, f.patterns);
  }
  return list;
}

}  // namespace quillet::office::fmtbridge
