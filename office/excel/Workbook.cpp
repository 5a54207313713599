// An Excel workbook over a Calc model.
#include "automation/DispatchObject.h"
#include "automation/Failure.h"
#include "common/DocumentProperties.h"
#include "common/PdfExport.h"
#include "common/Printing.h"
#include "excel/Excel.h"
#include "excel/RecordEnds.h"
#include "formats/OpenFormats.h"
#include "formats/SaveFormats.h"
#include "uno/Documents.h"

namespace quillet::office::excel {

namespace {

constexpr const char* kDelimitedText = "Text - txt - csv (StarCalc)";

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Without FileFormat the destination's extension says which format is meant.
int FormatFor(const std::string& path) {
  const std::string ext = formats::LowerExtension(path);
  struct ByExtension {
    const char* ext;
    int format;
  };
  static constexpr ByExtension kDefaults[] = {{"csv", 6},   {"txt", -4158}, {"htm", 44}, {"html", 44},
                                              {"xlsx", 51}, {"xls", 56},    {"pdf", 57}, {"ods", 60}};
  for (const auto& d : kDefaults)
    if (ext == d.ext) return d.format;
  return 51;
}

void SaveAs(const OpenDocument& book, const CallArgs& a) {
  const std::optional<std::string> file = a.Text(0, "Filename");
  if (!file || file->empty()) throw Failure("A file name is needed.");
  const int number = a.Int(1, "FileFormat").value_or(FormatFor(*file));
  const formats::SaveFormat& format = formats::FindSaveFormat(formats::Application::Excel, number);
  if (format.kind == formats::SaveKind::WebPage)
    SaveWebPage(book, *file);
  else
    uno::StoreDocument(book.Model(), *file, format.filter, format.options, a.Text(2, "Password").value_or(""));
  if (format.filter && std::string(format.filter) == kDelimitedText)
    EndRecordsWithCrLf(*file, std::string(format.options).find(",65535,") != std::string::npos);
}

// ExportAsFixedFormat: PDF (Type 0) of every sheet, or of the pages From to
// To, or of a list of pages set with the export options. Excel's export has
// no PDF/A argument: a PDF/A part comes with the export options.
void ExportAsFixedFormat(AppState& app, const OpenDocument& book, const CallArgs& a) {
  const PdfExportSettings settings = TakePdfExportOptions(app);
  constexpr int32_t kPdf = 0;
  if (a.Int(0, "Type").value_or(-1) != kPdf) throw Failure("This export makes PDF only (Type 0).");
  const std::optional<std::string> file = a.Text(1, "Filename");
  if (!file || file->empty()) throw Failure("A file name is needed.");
  uno::ExportPdf(book.Model(), *file, "calc_pdf_Export", settings.pdfA,
                 settings.pages.empty() ? PageRangeOf(a.Int(5, "From"), a.Int(6, "To")) : settings.pages,
                 settings.options);
}

class Workbook : public DispatchObject {
 public:
  Workbook(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> book)
      : DispatchObject(app->source()), app_(std::move(app)), book_(std::move(book)) {
    Property("Name", [this](const CallArgs&, Result& r) { r.Text(BaseName(book_->path)); });
    Property("FullName", [this](const CallArgs&, Result& r) { r.Text(book_->path); });
    Property(
        "Title", [this](const CallArgs&, Result& r) { r.Text(DocumentTitle(*book_)); },
        [this](const CallArgs& a) { SetDocumentTitle(*book_, a.PutText()); });
    Item("BuiltInDocumentProperties", {"Index"}, [this](const CallArgs& a, Result& r) {
      book_->Model();
      if (const VARIANT* index = a.Find(0, "Index"))
        r.Object(NewDocumentProperty(app_, book_, *index));
      else
        r.Object(NewDocumentProperties(app_, book_));
    });
    Method("SaveAs",
           {"Filename", "FileFormat", "Password", "WriteResPassword", "ReadOnlyRecommended", "CreateBackup",
            "AccessMode", "ConflictResolution", "AddToMru", "TextCodepage", "TextVisualLayout", "Local"},
           [this](const CallArgs& a, Result&) { SaveAs(*book_, a); });
    Method("ExportAsFixedFormat",
           {"Type", "Filename", "Quality", "IncludeDocProperties", "IgnorePrintAreas", "From", "To", "OpenAfterPublish",
            "FixedFormatExtClassPtr"},
           [this](const CallArgs& a, Result&) { ExportAsFixedFormat(*app_, *book_, a); });
    // Every sheet (or the pages From to To), through the printer given (else the office's default),
    // into PrToFileName when PrintToFile is true.
    Method("PrintOut",
           {"From", "To", "Copies", "Preview", "ActivePrinter", "PrintToFile", "Collate", "PrToFileName",
            "IgnorePrintAreas"},
           [this](const CallArgs& a, Result&) {
             PrintJob job;
             job.printer = a.Text(4, "ActivePrinter").value_or(kDefaultPrinter);
             job.pages = PageRangeOf(a.Int(0, "From"), a.Int(1, "To"));
             if (a.Bool(5, "PrintToFile").value_or(false)) {
               job.file = a.Text(7, "PrToFileName").value_or("");
               if (job.file.empty()) throw Failure("A file name is needed.");
             }
             PrintDocument(app_->office(), *book_, job);
           });
    Method("Close", {"SaveChanges", "Filename", "RouteWorkbook"}, [this](const CallArgs&, Result&) {
      book_->Model();
      book_->Close();
    });
    Property("Saved", [](const CallArgs&, Result& r) { r.Bool(true); });
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<OpenDocument> book_;
};

}  // namespace

IDispatch* NewWorkbook(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> book) {
  return new Workbook(std::move(app), std::move(book));
}

}  // namespace quillet::office::excel
