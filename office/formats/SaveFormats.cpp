#include "formats/SaveFormats.h"

#include <span>

#include "automation/Failure.h"
#include "utilities/automation/FailureKinds.h"
#include "formats/Encodings.h"
#include "formats/OpenFormats.h"

namespace quillet::office::formats {

namespace {

// wdSaveFormat: wdFormatDocument 0 ... wdFormatOpenDocumentText 23.
constexpr SaveFormat kWord[] = {
    {0, SaveKind::Filter, "MS Word 97", "", nullptr},
    {1, SaveKind::Filter, "MS Word 97 Vorlage", "", nullptr},
    {2, SaveKind::Text, "Text (encoded)", "65001", nullptr},
    {3, SaveKind::Text, "Text (encoded)", "65001", nullptr},
    {4, SaveKind::Text, "Text (encoded)", "437", nullptr},
    {5, SaveKind::Text, "Text (encoded)", "437", nullptr},
    {6, SaveKind::Filter, "Rich Text Format", "", nullptr},
    {7, SaveKind::Text, "Text (encoded)", "1200", nullptr},
    // Web pages carry their pictures inside (data: addresses) rather than in
    // files beside them.
    {8, SaveKind::Filter, "HTML (StarWriter)", "EmbedImages", nullptr},
    {10, SaveKind::Filter, "HTML (StarWriter)", "EmbedImages", nullptr},
    {11, SaveKind::Filter, "MS Word 2003 XML", "", nullptr},
    {12, SaveKind::Filter, "MS Word 2007 XML", "", nullptr},
    {14, SaveKind::Filter, "MS Word 2007 XML Template", "", nullptr},
    {16, SaveKind::Filter, "MS Word 2007 XML", "", nullptr},
    {17, SaveKind::Filter, "writer_pdf_Export", "", nullptr},
    {23, SaveKind::Filter, "writer8", "", nullptr},
};

// xlFileFormat. The text options are: separator, text delimiter, character
// set (76 UTF-8, 1 Windows-1252, 3 code page 437, 2 Mac Roman, 65535
// UTF-16), first line, (import only), language, and false: quote only the
// fields that need it, as Excel does. Records end with CR LF (the Excel
// stand-in's SaveAs sees to that).
constexpr SaveFormat kExcel[] = {
    {6, SaveKind::Filter, "Text - txt - csv (StarCalc)", "44,34,76,1,,0,false", nullptr},
    {20, SaveKind::Filter, "Text - txt - csv (StarCalc)", "9,34,2,1,,0,false", nullptr},
    {21, SaveKind::Filter, "Text - txt - csv (StarCalc)", "9,34,3,1,,0,false", nullptr},
    {23, SaveKind::Filter, "Text - txt - csv (StarCalc)", "44,34,1,1,,0,false", nullptr},
    {24, SaveKind::Filter, "Text - txt - csv (StarCalc)", "44,34,3,1,,0,false", nullptr},
    {42, SaveKind::Filter, "Text - txt - csv (StarCalc)", "9,34,65535,1,,0,false", nullptr},
    {-4158, SaveKind::Filter, "Text - txt - csv (StarCalc)", "9,34,76,1,,0,false", nullptr},
    {44, SaveKind::WebPage, "HTML (StarCalc)", "", nullptr},
    {51, SaveKind::Filter, "Calc MS Excel 2007 XML", "", nullptr},
    {56, SaveKind::Filter, "MS Excel 97", "", nullptr},
    {-4143, SaveKind::Filter, "MS Excel 97", "", nullptr},
    {57, SaveKind::Filter, "calc_pdf_Export", "", nullptr},
    {60, SaveKind::Filter, "calc8", "", nullptr},
    {62, SaveKind::Filter, "Text - txt - csv (StarCalc)", "44,34,76,1,,0,false", nullptr},
};

// ppSaveAsFileType.
constexpr SaveFormat kPowerPoint[] = {
    {1, SaveKind::Filter, "MS PowerPoint 97", "", nullptr},
    {11, SaveKind::Filter, "Impress MS PowerPoint 2007 XML", "", nullptr},
    {12, SaveKind::WebPage, nullptr, "", nullptr},
    {16, SaveKind::SlideImages, nullptr, "", "bmp"},
    {17, SaveKind::SlideImages, nullptr, "", "bmp"},
    {18, SaveKind::SlideImages, nullptr, "", "png"},
    {19, SaveKind::SlideImages, nullptr, "", "bmp"},
    {24, SaveKind::Filter, "Impress MS PowerPoint 2007 XML", "", nullptr},
    {32, SaveKind::Filter, "impress_pdf_Export", "", nullptr},
    {35, SaveKind::Filter, "impress8", "", nullptr},
};

std::span<const SaveFormat> TableOf(Application app) {
  switch (app) {
    case Application::Word:
      return kWord;
    case Application::Excel:
      return kExcel;
    case Application::PowerPoint:
      return kPowerPoint;
  }
  return {};
}

}  // namespace

int WordFormatForPath(const std::string& path) {
  const std::string ext = LowerExtension(path);
  struct ByExtension {
    const char* ext;
    int format;
  };
  static constexpr ByExtension kDefaults[] = {{"doc", 0},   {"dot", 1},  {"txt", 2},  {"rtf", 6},
                                              {"htm", 8},   {"html", 8}, {"xml", 11}, {"docx", 16},
                                              {"dotx", 14}, {"pdf", 17}, {"odt", 23}};
  for (const auto& d : kDefaults)
    if (ext == d.ext) return d.format;
  return 16;
}

std::string ExportOptions(const SaveFormat& format) {
  if (format.kind != SaveKind::Text) return format.options;
  return TextExportOptions(std::stoi(format.options), format.number == 7);
}

const SaveFormat& FindSaveFormat(Application app, int number) {
  for (const SaveFormat& f : TableOf(app))
    if (f.number == number) return f;
  throw Failure("This file format is not available: " + std::to_string(number), ole::kFormatNotAvailable);
}

}  // namespace quillet::office::formats
