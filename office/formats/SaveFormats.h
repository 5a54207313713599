// The save-format numbers of Word, Excel and PowerPoint that the stand-ins
// understand, each mapped to how LibreOffice writes it: one table per
// application, all in this file's body.
//
// On Linux, text is UTF-8 where Windows would use the ANSI code page: Word's
// plain-text formats 2 and 3 write UTF-8, Excel's CSV 6 and text -4158 too;
// the "MS-DOS" variants write code page 437, Word's 7 (Unicode text) UTF-16
// with a byte-order mark unless an encoding is asked for, Excel's 23 (CSV,
// Windows) code page 1252.
#pragma once

#include <string>

namespace quillet::office::formats {

enum class Application { Word, Excel, PowerPoint };

enum class SaveKind {
  Filter,       // one export filter with fixed options
  Text,         // Writer's encoded-text filter with a code page and line ends
  WebPage,      // a main page and a supporting folder with one page per sheet or slide
  SlideImages,  // one picture per slide in a folder named after the destination
};

struct SaveFormat {
  int number;
  SaveKind kind;
  const char* filter;   // Filter: the export filter
  const char* options;  // Filter: its options; Text: the default code page
  const char* picture;  // SlideImages: "bmp" or "png"
};

// The row of Number; raises Failure "This file format is not available: <Number>".
const SaveFormat& FindSaveFormat(Application app, int number);

// The Word format a file of Path's extension is saved in when no format is
// named (.doc 0, .txt 2, .rtf 6, .htm 8 ...; anything else .docx, 16).
int WordFormatForPath(const std::string& path);

// The options of Format's export filter: its fixed options, or for a text
// format the code page's (a byte-order mark for Unicode text, format 7).
std::string ExportOptions(const SaveFormat& format);

}  // namespace quillet::office::formats
