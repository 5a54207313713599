// Word's part of an Office conversion: the open with the caller's password
// (else the dummy one), the
// links of a web-page target, the linked pictures of an HTML source, the
// title, the two saves of the library's own (revision marks, encoded text),
// PDF through ExportAsFixedFormat for PDFA and PAGES, and the print to
// PostScript with the orientation keywords and the range of pages.
#include <algorithm>
#include <optional>
#include <string_view>

#include "engine/formatlib/FormatCodes.h"
#include "platform/path.h"
#include "procedures/OfficeSteps.h"
#include "procedures/WatchedCall.h"
#include "platform/status.h"
#include "utilities/Guarded.h"
#include "utilities/Strings.h"
#include "utilities/SysUtils.h"

namespace quillet {

namespace {

// A dialog of the WordPerfect converter may hold the open: its first button
// goes on.
const TWatchJob kOpenWatch{"winword.exe", "WordPerfect", "", "", "button#1", 60000};

// Word's constants.
constexpr int32_t kFormatDocument = 0;     // "-2"
constexpr int32_t kFormatEncodedText = 7;  // "-3"
constexpr int32_t kLinkedPicture = 4;      // inline shape Type
constexpr int32_t kDoNotSaveChanges = 0;
constexpr int32_t kExportFormatPdf = 17;  // WdExportFormat
constexpr int32_t kExportFromTo = 3;      // WdExportRange
constexpr int32_t kPrintFromTo = 3;       // WdPrintOutRange
// The export options' arguments: WdExportOptimizeFor (PDF.Quality below 50
// is for the screen), WdExportItem (PDF.ExportNotes: with the markup),
// WdExportCreateBookmarks (PDF.ExportBookmarks: from the headings) and
// WdOrientation (PDF.Landscape).
constexpr int32_t kOptimizeForPrint = 0;
constexpr int32_t kOptimizeForOnScreen = 1;
constexpr int32_t kExportDocumentContent = 0;
constexpr int32_t kExportDocumentWithMarkup = 7;
constexpr int32_t kCreateNoBookmarks = 0;
constexpr int32_t kCreateHeadingBookmarks = 1;
constexpr int32_t kOrientLandscape = 1;
// PageSetup.Orientation for "orientation:=1" and "orientation:=2".
constexpr int32_t kOrientation1 = 1;
constexpr int32_t kOrientation2 = 2;

bool IsUnicodeCodePage(const ole::Variant& document) {
  // The property is read afresh for every comparison, as Word is asked.
  for (int32_t cp : {1200, 1201, 65000, 65001})
    if (document.Get("OpenEncoding").AsInteger() == cp) return true;
  return false;
}

class WordSteps : public TOfficeSteps {
 public:
  using TOfficeSteps::TOfficeSteps;

  Status Open() override {
    Ignoring([&] { App.Put("DisplayAlerts", false); });
    Status opened = WatchedCall(kOpenWatch, [&] {
      ole::NamedArgs named{
          {"FileName", Request.SrcFile}, {"ReadOnly", true}, {"PasswordDocument", Request.Password.value_or("zv")}};
      if (Request.Options.OpenFormat) named.push_back({"Format", StrToInt(Request.Options.OpenFormatValue)});
      Document = App.CallOrGet("Documents").Call("Open", {}, named);
    });
    if (!opened.ok()) {
      AlertsOn();
      return opened;
    }
    DocumentOpen = true;
    return Status::Ok();
  }

  Status Prepare() override {
    if (Request.DestFormat == formats::kWordHtml) RewriteDocLinks();
    if (!NeedsEmbeddedPictures()) return Status::Ok();
    Status embedded = Capture([&] { EmbedLinkedPictures(); });
    if (!embedded.ok()) CloseDocument();
    return embedded;
  }

  void SetTitle() override {
    Ignoring([&] {
      const ole::Args title{"title"};
      if (Document.Get("BuiltInDocumentProperties", title).Get("value").AsString().empty())
        Document.Get("BuiltInDocumentProperties", title).Put("value", path::ExtractFileName(Request.SrcFile));
    });
  }

  Status Save() override {
    if (Request.DestFormat == formats::kWordWithRevisions) {
      SaveWithRevisionMarks();
    } else if (Request.DestFormat == formats::kEncodedText) {
      SaveEncodedText();
    } else if (ExportsFixedFormat(formats::kWordPdf)) {
      ExportPdf();
    } else {
      SaveAsGeneric();
    }
    return Status::Ok();
  }

  void Close() override {
    CloseDocument();
    AlertsOn();
  }

  void CloseAfterFailure() override {
    if (DocumentOpen) CloseDocument();
  }

  // Word prints through its active printer, which is switched for the print
  // and put back after it.
  Status PrintToPostScript(const std::string& printer, const std::string& psFile) override {
    const std::string previous = App.Get("ActivePrinter").AsString();
    App.Put("ActivePrinter", printer);
    previousPrinter_ = previous;
    Status printed = Capture([&] {
      Ignoring([&] {
        if (Request.Options.Orientation1) Document.Get("PageSetup").Put("Orientation", kOrientation1);
        if (Request.Options.Orientation2) Document.Get("PageSetup").Put("Orientation", kOrientation2);
      });
      ole::NamedArgs named{{"OutputFileName", psFile}, {"PrintToFile", true}, {"Background", false}};
      if (const auto pages = Request.OneRange())
        named.insert(
            named.end(),
            {{"Range", kPrintFromTo}, {"From", std::to_string(pages->From)}, {"To", std::to_string(pages->To)}});
      Document.Call("PrintOut", {}, named);
    });
    if (!printed.ok()) return printed;
    CloseDocument();
    App.Put("ActivePrinter", previous);
    previousPrinter_.reset();
    AlertsOn();
    return Status::Ok();
  }

  void PutBackAfterFailure() override {
    if (DocumentOpen) Ignoring([&] { CloseDocument(); });
    if (previousPrinter_) Ignoring([&] { App.Put("ActivePrinter", *previousPrinter_); });
    previousPrinter_.reset();
    AlertsOn();
  }

 private:
  void AlertsOn() {
    Ignoring([&] { App.Put("DisplayAlerts", true); });
  }

  // Word's printer while the PDF stage has switched it.
  std::optional<std::string> previousPrinter_;

  void CloseDocument() {
    Document.Call("Close", {}, {{"SaveChanges", kDoNotSaveChanges}});
    DocumentOpen = false;
  }

  // The page a linked Word document becomes: the address with the ".doc"
  // ending of its path (any letter case, before a "?" query or a "#"
  // fragment) made ".htm"; empty for an address whose path does not end so
  // (a.docx, https://www.docusign.com/x).
  static std::string DocumentLinkAsPage(const std::string& address) {
    const std::string_view ending = ".doc";
    const size_t pathEnd = std::min(address.find_first_of("?#"), address.size());
    if (pathEnd < ending.size() || LowerCase(address.substr(pathEnd - ending.size(), ending.size())) != ending)
      return {};
    return address.substr(0, pathEnd - ending.size()) + ".htm" + address.substr(pathEnd);
  }

  // For a web-page target, links to Word documents are pointed at the pages
  // those documents become. A failure anywhere ends the step quietly.
  void RewriteDocLinks() {
    Ignoring([&] {
      const int32_t n = Document.Get("Hyperlinks").Get("Count").AsInteger();
      for (int32_t i = 1; i <= n; ++i) {
        auto link = [&] { return Document.Get("Hyperlinks").Get("item", {i}); };
        const std::string page = DocumentLinkAsPage(link().Get("address").AsString());
        if (page.empty()) continue;
        link().Put("address", page);
        link().Put("TextToDisplay", page);
      }
    });
  }

  bool NeedsEmbeddedPictures() const {
    const std::string destExt = LowerCase(path::ExtractFileExt(Request.DestFile));
    const std::string srcExt = LowerCase(path::ExtractFileExt(Request.SrcFile));
    return (destExt == ".doc" || destExt == ".rtf") && (srcExt == ".htm" || srcExt == ".html");
  }

  // An HTML source saved as a Word document or RTF keeps its pictures only
  // when they are embedded: linked pictures are saved with the document and
  // unlinked. A shape that refuses is left as it is; a collection that
  // cannot be read fails the conversion.
  void EmbedLinkedPictures() {
    const ole::Variant shapes = Document.Get("InlineShapes");
    const int32_t n = shapes.Get("Count").AsInteger();
    for (int32_t i = 1; i <= n; ++i) {
      const ole::Variant shape = shapes.Get("Item", {i});
      if (shape.Get("Type").AsInteger() != kLinkedPicture) continue;
      Ignoring([&] {
        shape.Get("LinkFormat").Put("SavePictureWithDocument", true);
        shape.Get("LinkFormat").Put("Locked", true);
        shape.Get("LinkFormat").Call("BreakLink");
      });
    }
  }

  // PDF/A-1b, the range of pages and the export options are the export's,
  // not SaveAs's. Word is given the options it has an argument for (and
  // the orientation through the page setup); the library's own servers
  // take them all through HandExportOptions.
  void ExportPdf() {
    const options::PdfExportOptions& pdf = Request.PdfExport;
    const bool office = !Request.TakesExportOptions;
    ole::NamedArgs named{{"OutputFileName", Request.DestFile}, {"ExportFormat", kExportFormatPdf}};
    if (const auto quality = pdf.Find("Quality"); quality && office)
      named.push_back({"OptimizeFor", *quality < 50 ? kOptimizeForOnScreen : kOptimizeForPrint});
    if (const auto pages = Request.OneRange())
      named.insert(named.end(), {{"Range", kExportFromTo}, {"From", pages->From}, {"To", pages->To}});
    if (const auto notes = pdf.Find("ExportNotes"); notes && office)
      named.push_back({"Item", *notes ? kExportDocumentWithMarkup : kExportDocumentContent});
    if (const auto bookmarks = pdf.Find("ExportBookmarks"); bookmarks && office)
      named.push_back({"CreateBookmarks", *bookmarks ? kCreateHeadingBookmarks : kCreateNoBookmarks});
    if (const auto tags = pdf.Find("PdfUa"); tags && office) named.push_back({"DocStructureTags", *tags != 0});
    if (Request.PdfA != 0) named.push_back({"UseISO19005_1", true});
    if (office && pdf.IsTrue("Landscape")) Document.Get("PageSetup").Put("Orientation", kOrientLandscape);
    if (office && pdf.IsTrue("UpdateIndexes")) UpdateTablesOfContents();
    HandExportOptions(true);
    Document.Call("ExportAsFixedFormat", {}, named);
  }

  // PDF.UpdateIndexes: Word's export shows the tables of contents as they
  // were last updated.
  void UpdateTablesOfContents() {
    const ole::Variant tables = Document.Get("TablesOfContents");
    const int32_t n = tables.Get("Count").AsInteger();
    for (int32_t i = 1; i <= n; ++i) tables.Get("Item", {i}).Call("Update");
  }

  void SaveWithRevisionMarks() {
    Ignoring([&] {
      Document.Put("TrackRevisions", true);
      Document.Put("PrintRevisions", true);
      Document.Put("ShowRevisions", true);
    });
    Document.Call("SaveAs", {}, {{"FileName", Request.DestFile}, {"FileFormat", kFormatDocument}});
  }

  // The code page of the text: a Unicode encoding the document was opened in
  // is kept, a first character in Chinese picks the Chinese code page, and
  // otherwise the document's own open encoding. An unreadable property leaves
  // the value reached so far.
  int32_t ChooseEncoding() const {
    int32_t encoding = 0;
    Ignoring([&] {
      if (!(Document.Get("Characters").Get("Count").AsInteger() > 0)) {
        encoding = Document.Get("OpenEncoding").AsInteger();
        return;
      }
      if (IsUnicodeCodePage(Document)) {
        encoding = Document.Get("OpenEncoding").AsInteger();
        return;
      }
      const int32_t language = Document.Get("Characters").Get("Item", {1}).Get("LanguageIDFarEast").AsInteger();
      switch (language) {
        case 0x0404:  // Taiwan
        case 0x0C04:  // Hong Kong
        case 0x1004:  // Singapore
        case 0x1404:  // Macao
          encoding = 950;
          break;
        case 0x0804:  // People's Republic of China
          encoding = 936;
          break;
        default:
          encoding = Document.Get("OpenEncoding").AsInteger();
      }
    });
    return encoding;
  }

  void SaveEncodedText() {
    const int32_t encoding = ChooseEncoding();
    // Word 2002 (10) and later take the encoding with the save; older ones
    // from the document's save encoding.
    if (ParseVersionNumber(App.Get("Version").AsString()) >= 10) {
      Document.Call("SaveAs", {},
                    {{"FileName", Request.DestFile}, {"FileFormat", kFormatEncodedText}, {"Encoding", encoding}});
    } else {
      Document.Put("SaveEncoding", encoding);
      Document.Call("SaveAs", {}, {{"FileName", Request.DestFile}, {"FileFormat", kFormatEncodedText}});
    }
  }
};

}  // namespace

std::unique_ptr<TOfficeSteps> MakeWordSteps(const ole::Variant& app, const TOfficeRequest& request) {
  return std::make_unique<WordSteps>(app, request);
}

}  // namespace quillet
