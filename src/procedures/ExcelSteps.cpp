// Excel's part of an Office conversion: no alerts and no link-update prompt
// while the workbook is open, the read-only open with the caller's password
// (else the dummy one), the title, PDF of a range of pages through
// ExportAsFixedFormat, both prompts back on after the close, and the print to
// PostScript.
#include "platform/path.h"
#include "procedures/OfficeSteps.h"
#include "procedures/WatchedCall.h"
#include "utilities/Guarded.h"

namespace quillet {

namespace {

// A Visual Basic error window raised while the workbook opens (a macro error
// in it) is answered with its second button.
const TWatchJob kOpenWatch{"excel.exe", "Microsoft Visual Basic", "", "", "button#2", 60000};

constexpr int32_t kDoNotSaveChanges = 0;
constexpr int32_t kTypePdf = 0;  // XlFixedFormatType
// XlFixedFormatQuality for PDF.Quality from 50 up and below 50.
constexpr int32_t kQualityStandard = 0;
constexpr int32_t kQualityMinimum = 1;
constexpr int32_t kLandscape = 2;  // XlPageOrientation

class ExcelSteps : public TOfficeSteps {
 public:
  using TOfficeSteps::TOfficeSteps;

  Status Open() override {
    Ignoring([&] { App.Put("DisplayAlerts", false); });
    Ignoring([&] { App.Put("AskToUpdateLinks", false); });
    // Excel spells the file argument "Filename".
    Status opened = WatchedCall(kOpenWatch, [&] {
      Document =
          App.CallOrGet("Workbooks")
              .Call("Open", {},
                    {{"Filename", Request.SrcFile}, {"ReadOnly", true}, {"Password", Request.Password.value_or("zv")}});
    });
    if (!opened.ok()) {
      PromptsOn();
      return opened;
    }
    DocumentOpen = true;
    return Status::Ok();
  }

  void SetTitle() override {
    Ignoring([&] {
      if (Document.Get("Title").AsString().empty()) Document.Put("Title", path::ExtractFileName(Request.SrcFile));
    });
  }

  Status Save() override {
    if (!ExportsFixedFormat(formats::kExcelPdf)) {
      SaveAsGeneric();
      return Status::Ok();
    }
    ole::NamedArgs named{{"Type", kTypePdf}, {"Filename", Request.DestFile}};
    if (const auto quality = Request.PdfExport.Find("Quality"); quality && !Request.TakesExportOptions)
      named.push_back({"Quality", *quality < 50 ? kQualityMinimum : kQualityStandard});
    if (Request.PdfExport.IsTrue("Landscape") && !Request.TakesExportOptions) TurnSheets();
    if (const auto pages = Request.OneRange()) named.insert(named.end(), {{"From", pages->From}, {"To", pages->To}});
    HandExportOptions(true);
    Document.Call("ExportAsFixedFormat", {}, named);
    return Status::Ok();
  }

  void Close() override {
    CloseWorkbook();
    PromptsOn();
  }

  // After a failed save the prompts stay off, as Excel was left.
  void CloseAfterFailure() override {
    if (DocumentOpen) CloseWorkbook();
  }

  void PutBackAfterFailure() override {
    if (DocumentOpen) Ignoring([&] { CloseWorkbook(); });
    PromptsOn();
  }

  // Excel is given the printer with the print itself.
  Status PrintToPostScript(const std::string& printer, const std::string& psFile) override {
    Status printed = Capture([&] {
      ole::NamedArgs named{{"ActivePrinter", printer}, {"PrToFileName", psFile}, {"PrintToFile", true}};
      if (const auto pages = Request.OneRange()) named.insert(named.end(), {{"From", pages->From}, {"To", pages->To}});
      Document.Call("PrintOut", {}, named);
    });
    if (!printed.ok()) return printed;
    CloseWorkbook();
    PromptsOn();
    return Status::Ok();
  }

 private:
  // PDF.Landscape: every sheet's page setup, before the export.
  void TurnSheets() {
    const ole::Variant sheets = Document.Get("Worksheets");
    const int32_t n = sheets.Get("Count").AsInteger();
    for (int32_t i = 1; i <= n; ++i) sheets.Get("Item", {i}).Get("PageSetup").Put("Orientation", kLandscape);
  }

  void CloseWorkbook() {
    Document.Call("Close", {}, {{"SaveChanges", kDoNotSaveChanges}});
    DocumentOpen = false;
  }

  void PromptsOn() {
    Ignoring([&] { App.Put("DisplayAlerts", true); });
    Ignoring([&] { App.Put("AskToUpdateLinks", true); });
  }
};

}  // namespace

std::unique_ptr<TOfficeSteps> MakeExcelSteps(const ole::Variant& app, const TOfficeRequest& request) {
  return std::make_unique<ExcelSteps>(app, request);
}

}  // namespace quillet
