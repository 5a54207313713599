#include "WordDocument.h"

#include "Files.h"
#include "Printing.h"

namespace quillet::doubles {

namespace {

const DocumentShape& Shape() {
  static const DocumentShape shape{
      "Word.Document",
      {"SaveChanges", "OriginalFormat", "RouteDocument"},
      {"FileName", "FileFormat", "LockComments", "Password", "AddToRecentFiles", "WritePassword", "ReadOnlyRecommended",
       "EmbedTrueTypeFonts", "SaveNativePictureFormat", "SaveFormsData", "SaveAsAOCELetter", "Encoding",
       "InsertLineBreaks", "AllowSubstitutions", "LineEnding", "AddBiDiMarks"}};
  return shape;
}
constexpr size_t kSaveAsEncoding = 11;  // the position of Encoding among SaveAs's parameters
constexpr int32_t kLandscape = 2;       // PageSetup.Orientation that prints landscape pages

// Word's page set-up: the orientation, kept for the document's life.
class PageSetup : public DispObject {
 public:
  PageSetup(std::shared_ptr<Session> s, const std::string& name, Stored orientation) : DispObject(std::move(s), name) {
    Property(
        "Orientation", [orientation](const CallArgs&, VARIANT* r) { return orientation.Get(r); },
        [orientation](const CallArgs& a, VARIANT*) mutable { return orientation.Put(*a.putValue); });
  }
};

// A table of contents: Update is all the converter asks of it (the
// transcript shows the call).
class TableOfContents : public DispObject {
 public:
  TableOfContents(std::shared_ptr<Session> s, const std::string& name) : DispObject(std::move(s), name) {
    Method("Update", {}, [](const CallArgs&, VARIANT*) { return S_OK; });
  }
};

class TablesOfContents : public DispObject {
 public:
  TablesOfContents(std::shared_ptr<Session> s, const std::string& name) : DispObject(std::move(s), name) {
    Collection([this] { return session().script().tablesOfContents; },
               [this](int32_t i) -> DispObject* {
                 return new TableOfContents(sessionPtr(), this->name() + "(" + std::to_string(i) + ")");
               });
  }
};

const std::vector<std::string>& PrintOutParams() {
  static const std::vector<std::string> params{"Background",
                                               "Append",
                                               "Range",
                                               "OutputFileName",
                                               "From",
                                               "To",
                                               "Item",
                                               "Copies",
                                               "Pages",
                                               "PageType",
                                               "PrintToFile",
                                               "Collate",
                                               "FileName",
                                               "ActivePrinterMacGX",
                                               "ManualDuplexPrint",
                                               "PrintZoomColumn",
                                               "PrintZoomRow",
                                               "PrintZoomPaperWidth",
                                               "PrintZoomPaperHeight"};
  return params;
}

const std::vector<std::string>& ExportParams() {
  static const std::vector<std::string> params{"OutputFileName",
                                               "ExportFormat",
                                               "OpenAfterExport",
                                               "OptimizeFor",
                                               "Range",
                                               "From",
                                               "To",
                                               "Item",
                                               "IncludeDocProps",
                                               "KeepIRM",
                                               "CreateBookmarks",
                                               "DocStructureTags",
                                               "BitmapMissingFonts",
                                               "UseISO19005_1",
                                               "FixedFormatExtClassPtr"};
  return params;
}
constexpr int32_t kExportPdf = 17, kExportFromTo = 3;

}  // namespace

const std::vector<std::string>& WordDocument::OpenParams() {
  static const std::vector<std::string> params{"FileName",
                                               "ConfirmConversions",
                                               "ReadOnly",
                                               "AddToRecentFiles",
                                               "PasswordDocument",
                                               "PasswordTemplate",
                                               "Revert",
                                               "WritePasswordDocument",
                                               "WritePasswordTemplate",
                                               "Format",
                                               "Encoding",
                                               "Visible"};
  return params;
}

WordDocument::WordDocument(std::shared_ptr<Session> s, const std::string& path)
    : Document(s, Shape(), path), saveEncoding_(IntVariant(s->script().openEncoding)) {
  const Script& script = s->script();
  links_ = std::make_shared<std::vector<WordLink>>();
  for (const ScriptedLink& link : script.hyperlinks) links_->push_back({link.address, link.text});
  shapes_ = std::make_shared<std::vector<WordInlineShape>>();
  for (int32_t type : script.inlineShapes) shapes_->emplace_back(type);

  Member("Hyperlinks", {}, [this](const CallArgs&, VARIANT* r) {
    SetObject(r, new Hyperlinks(sessionPtr(), name() + ".Hyperlinks", links_));
    return S_OK;
  });
  Member("InlineShapes", {}, [this](const CallArgs&, VARIANT* r) {
    SetObject(r, new InlineShapes(sessionPtr(), name() + ".InlineShapes", shapes_));
    return S_OK;
  });
  Member("Characters", {}, [this](const CallArgs&, VARIANT* r) {
    SetObject(r, new Characters(sessionPtr(), name() + ".Characters"));
    return S_OK;
  });
  Property("OpenEncoding", [this](const CallArgs&, VARIANT* r) {
    SetInt(r, session().script().openEncoding);
    return S_OK;
  });
  auto stored = [this](const char* member, Stored& value) {
    Property(
        member, [&value](const CallArgs&, VARIANT* r) { return value.Get(r); },
        [&value](const CallArgs& a, VARIANT*) { return value.Put(*a.putValue); });
  };
  Property("TablesOfContents", [this](const CallArgs&, VARIANT* r) {
    SetObject(r, new TablesOfContents(sessionPtr(), name() + ".TablesOfContents"));
    return S_OK;
  });
  Property("PageSetup", [this](const CallArgs&, VARIANT* r) {
    SetObject(r, new PageSetup(sessionPtr(), name() + ".PageSetup", orientation_));
    return S_OK;
  });
  Method("PrintOut", PrintOutParams(), [this](const CallArgs& a, VARIANT*) {
    const std::string file = a.Text(3, "OutputFileName");
    if (!a.Bool(10, "PrintToFile") || file.empty()) return Raise("This double prints to a file only.");
    com::UniqueVariant orientation;
    orientation_.Get(orientation.put());
    const bool landscape = orientation.get()->vt == VT_I4 && orientation.get()->lVal == kLandscape;
    WritePrint(session().script(), "Word", this->path(), session().activePrinter, landscape, file);
    return S_OK;
  });
  // PDF only; the pages From to To with Range 3.
  Method("ExportAsFixedFormat", ExportParams(), [this](const CallArgs& a, VARIANT*) {
    const std::string file = a.Text(0, "OutputFileName");
    if (file.empty()) return Raise("A file name is needed.");
    if (a.Int(1, "ExportFormat", -1) != kExportPdf) return Raise("This double exports PDF only.");
    const std::string pages = a.Int(4, "Range") == kExportFromTo
                                  ? std::to_string(a.Int(5, "From")) + "-" + std::to_string(a.Int(6, "To"))
                                  : "";
    WriteExport(file, pages, a.Bool(13, "UseISO19005_1"));
    return S_OK;
  });
  stored("SaveEncoding", saveEncoding_);
  stored("TrackRevisions", trackRevisions_);
  stored("PrintRevisions", printRevisions_);
  stored("ShowRevisions", showRevisions_);
}

void WordDocument::Save(const CallArgs& a, const std::string& dest, int32_t format) {
  std::string line = SavedLine(format);
  if (a.Find(kSaveAsEncoding, "Encoding")) line += " encoding " + std::to_string(a.Int(kSaveAsEncoding, "Encoding"));
  WriteWholeFile(dest, line + "\r\n");
}

}  // namespace quillet::doubles
