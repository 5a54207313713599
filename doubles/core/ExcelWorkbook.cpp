#include "ExcelWorkbook.h"

#include <cstdio>

#include "Printing.h"
#include "WebPages.h"

namespace quillet::doubles {

namespace {

constexpr int32_t kWebPage = 44;

const DocumentShape& Shape() {
  static const DocumentShape shape{
      "Excel.Workbook",
      {"SaveChanges", "Filename", "RouteWorkbook"},
      {"Filename", "FileFormat", "Password", "WriteResPassword", "ReadOnlyRecommended", "CreateBackup", "AccessMode",
       "ConflictResolution", "AddToMru", "TextCodepage", "TextVisualLayout"}};
  return shape;
}

constexpr int32_t kPortrait = 1;  // XlPageOrientation

// A sheet's page setup: the orientation, which the workbook keeps.
class SheetPageSetup : public DispObject {
 public:
  SheetPageSetup(std::shared_ptr<Session> s, const std::string& name, Stored orientation)
      : DispObject(std::move(s), name) {
    Property(
        "Orientation", [orientation](const CallArgs&, VARIANT* r) { return orientation.Get(r); },
        [orientation](const CallArgs& a, VARIANT*) mutable { return orientation.Put(*a.putValue); });
  }
};

class Worksheet : public DispObject {
 public:
  Worksheet(std::shared_ptr<Session> s, const std::string& name, Stored orientation) : DispObject(std::move(s), name) {
    Property("PageSetup", [this, orientation](const CallArgs&, VARIANT* r) {
      SetObject(r, new SheetPageSetup(sessionPtr(), this->name() + ".PageSetup", orientation));
      return S_OK;
    });
  }
};

// The scripted number of sheets, each with its own orientation.
class Worksheets : public DispObject {
 public:
  Worksheets(std::shared_ptr<Session> s, const std::string& name, const std::vector<Stored>& orientations)
      : DispObject(std::move(s), name) {
    Collection([&orientations] { return static_cast<int32_t>(orientations.size()); },
               [this, &orientations](int32_t i) -> DispObject* {
                 return new Worksheet(sessionPtr(), this->name() + "(" + std::to_string(i) + ")",
                                      orientations[static_cast<size_t>(i - 1)]);
               });
  }
};

// sheet001.htm, sheet002.htm, ...
std::string SheetPage(int32_t n) {
  char name[32];
  std::snprintf(name, sizeof name, "sheet%03d.htm", static_cast<int>(n));
  return name;
}

}  // namespace

const std::vector<std::string>& ExcelWorkbook::OpenParams() {
  static const std::vector<std::string> params{
      "Filename", "UpdateLinks", "ReadOnly", "Format", "Password",  "WriteResPassword", "IgnoreReadOnlyRecommended",
      "Origin",   "Delimiter",   "Editable", "Notify", "Converter", "AddToMru"};
  return params;
}

ExcelWorkbook::ExcelWorkbook(std::shared_ptr<Session> s, const std::string& path)
    : Document(std::move(s), Shape(), path) {
  for (int32_t n = 1; n <= session().script().sheets; ++n) orientations_.emplace_back(IntVariant(kPortrait));
  Property("Worksheets", [this](const CallArgs&, VARIANT* r) {
    SetObject(r, new Worksheets(sessionPtr(), name() + ".Worksheets", orientations_));
    return S_OK;
  });
  Method("PrintOut",
         {"From", "To", "Copies", "Preview", "ActivePrinter", "PrintToFile", "Collate", "PrToFileName",
          "IgnorePrintAreas"},
         [this](const CallArgs& a, VARIANT*) {
           const std::string file = a.Text(7, "PrToFileName");
           if (!a.Bool(5, "PrintToFile") || file.empty()) return Raise("This double prints to a file only.");
           WritePrint(session().script(), "Excel", this->path(), a.Text(4, "ActivePrinter"), false, file);
           return S_OK;
         });
  // PDF (Type 0) only; the pages From to To when both are given.
  Method("ExportAsFixedFormat",
         {"Type", "Filename", "Quality", "IncludeDocProperties", "IgnorePrintAreas", "From", "To", "OpenAfterPublish",
          "FixedFormatExtClassPtr"},
         [this](const CallArgs& a, VARIANT*) {
           const std::string file = a.Text(1, "Filename");
           if (file.empty()) return Raise("A file name is needed.");
           if (a.Int(0, "Type", -1) != 0) return Raise("This double exports PDF only.");
           const std::string pages = a.Find(5, "From") && a.Find(6, "To")
                                         ? std::to_string(a.Int(5, "From")) + "-" + std::to_string(a.Int(6, "To"))
                                         : "";
           WriteExport(file, pages, false);
           return S_OK;
         });
  const auto title = BuiltInProperty("Title");
  Property(
      "Title",
      [title](const CallArgs&, VARIANT* r) {
        SetText(r, *title);
        return S_OK;
      },
      [title](const CallArgs& a, VARIANT*) {
        *title = PlainText(*a.putValue);
        return S_OK;
      });
}

void ExcelWorkbook::Save(const CallArgs& a, const std::string& dest, int32_t format) {
  if (format != kWebPage) {
    Document::Save(a, dest, format);
    return;
  }
  std::vector<std::pair<std::string, std::string>> files{
      {"stylesheet.css", "td {font-family:Arial}\r\n"},
      {"tabstrip.htm", TablePage("Tabs", {})},
  };
  for (int32_t n = 1; n <= session().script().sheets; ++n) {
    const std::string sheet = "Sheet " + std::to_string(n);
    files.emplace_back(SheetPage(n), TablePage(sheet, {sheet}));
  }
  WriteWebLayout(dest, files);
}

}  // namespace quillet::doubles
