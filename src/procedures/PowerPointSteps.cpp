// PowerPoint's part of an Office conversion: the read-only open without a
// window (with the caller's password in the file name), the title, the text
// of the slides ("9999"), PDF through ExportAsFixedFormat for PDFA and PAGES,
// or the generic save,
// the slide-picture passes with their log ("16", "17"), and the print to
// PostScript with the slides fitted to the page.
#include "documents/PowerPointToText.h"
#include "engine/formatlib/FormatCodes.h"
#include "platform/clock.h"
#include "platform/path.h"
#include "procedures/OfficeSteps.h"
#include "procedures/SlideImages.h"
#include "procedures/WatchedCall.h"
#include "utilities/Guarded.h"

namespace quillet {

namespace {

// A password prompt owned by PowerPoint's window is answered with its first
// button, so the open fails with PowerPoint's own message instead of waiting.
const TWatchJob kOpenWatch{"", "Password", "", "Microsoft PowerPoint", "button#1", 60000};

constexpr int32_t kFixedFormatPdf = 2;   // PpFixedFormatType
constexpr int32_t kPrintSlideRange = 4;  // PpPrintRangeType
// The export options' arguments: PpFixedFormatIntent (PDF.Quality below 50
// is for the screen) and PpPrintOutputType (PDF.ExportNotesPages).
constexpr int32_t kIntentScreen = 1;
constexpr int32_t kIntentPrint = 2;
constexpr int32_t kOutputSlides = 1;
constexpr int32_t kOutputNotesPages = 5;

class PowerPointSteps : public TOfficeSteps {
 public:
  PowerPointSteps(const ole::Variant& app, const TOfficeRequest& request, const TProcedureContext& context)
      : TOfficeSteps(app, request), context_(context) {}

  Status Open() override {
    Status opened;
    // Starting the watcher is under the same guard as the open.
    const Status started = Capture([&] {
      opened = WatchedCall(kOpenWatch, [&] {
        Document = App.CallOrGet("Presentations")
                       .Call("Open", {}, {{"FileName", FileNameToOpen()}, {"WithWindow", false}, {"ReadOnly", true}});
      });
    });
    const Status outcome = started.ok() ? opened : started;
    if (outcome.ok()) {
      DocumentOpen = true;
      return outcome;
    }
    Failed(outcome);
    return outcome;
  }

  void SetTitle() override {
    Ignoring([&] {
      const ole::Args title{"title"};
      if (Document.Get("BuiltInDocumentProperties", title).Get("value").AsString().empty())
        Document.Get("BuiltInDocumentProperties", title).Put("value", path::ExtractFileName(Request.SrcFile));
    });
  }

  Status Save() override {
    if (Request.DestFormat == formats::kPresentationText) {
      std::string failure;
      PowerPointToText(Document, Request.DestFile, failure);
      return failure.empty() ? Status::Ok() : Status::Failed(failure);
    }
    // The picture settings are read before the save, so that a malformed
    // picture keyword fails the request before PowerPoint writes anything.
    if (SavesSlidePictures()) pictures_ = context_.ImageSettingsFor(Request.Options.Text);
    if (ExportsFixedFormat(formats::kPowerPointPdf))
      ExportPdf();
    else
      SaveAsGeneric();
    return Status::Ok();
  }

  void Close() override {
    os::ProcessMessages();
    Document.Call("Close");
    DocumentOpen = false;
    if (SavesSlidePictures()) ConvertSlideBitmaps(Request.DestFile, Request.DestFormat, pictures_);
  }

  void CloseAfterFailure() override {
    if (!DocumentOpen) return;
    Document.Call("Close");
    DocumentOpen = false;
  }

  // PowerPoint takes the printer from the presentation's print options.
  Status PrintToPostScript(const std::string& printer, const std::string& psFile) override {
    Document.Get("PrintOptions").Put("ActivePrinter", printer);
    Ignoring([&] { Document.Get("PrintOptions").Put("FitToPage", true); });
    ole::NamedArgs named{{"PrintToFile", psFile}};
    if (const auto pages = Request.OneRange()) named.insert(named.begin(), {{"From", pages->From}, {"To", pages->To}});
    if (Status printed = Capture([&] { Document.Call("PrintOut", {}, named); }); !printed.ok()) return printed;
    Document.Call("Close");
    DocumentOpen = false;
    return Status::Ok();
  }

  void Failed(const Status& failure) override {
    if (Request.DestFormat == formats::kPowerPointJpeg)
      WriteSlideLog(Request.SrcFile, Request.DestFile, failure.message());
  }

  void Succeeded() override {
    if (Request.DestFormat == formats::kPowerPointJpeg) WriteSlideLog(Request.SrcFile, Request.DestFile, "");
  }

 private:
  // PowerPoint's Open takes the password in the file name: "name::password::".
  std::string FileNameToOpen() const {
    return Request.Password ? Request.SrcFile + "::" + *Request.Password + "::" : Request.SrcFile;
  }

  // The slides of PAGES are ranges of the print options, which the export
  // is given with the slide-range type (and the first of them); PDF/A-1b and
  // the export options PowerPoint has an argument for are the export's too.
  // The library's own servers take every export option through
  // HandExportOptions.
  void ExportPdf() {
    const options::PdfExportOptions& pdf = Request.PdfExport;
    const bool office = !Request.TakesExportOptions;
    ole::NamedArgs named{{"Path", Request.DestFile}, {"FixedFormatType", kFixedFormatPdf}};
    if (const auto quality = pdf.Find("Quality"); quality && office)
      named.push_back({"Intent", *quality < 50 ? kIntentScreen : kIntentPrint});
    if (const auto notes = pdf.Find("ExportNotesPages"); notes && office)
      named.push_back({"OutputType", *notes ? kOutputNotesPages : kOutputSlides});
    if (const auto hidden = pdf.Find("ExportHiddenSlides"); hidden && office)
      named.push_back({"PrintHiddenSlides", *hidden != 0});
    if (!Request.Pages.empty()) {
      const ole::Variant ranges = Document.Get("PrintOptions").Get("Ranges");
      ranges.Call("ClearAll");
      ole::Variant first;
      for (const options::PageRange& pages : Request.Pages) {
        const ole::Variant range = ranges.Call("Add", {pages.From, pages.To});
        if (first.IsEmpty()) first = range;
      }
      named.insert(named.end(), {{"RangeType", kPrintSlideRange}, {"PrintRange", first}});
    }
    if (const auto tags = pdf.Find("PdfUa"); tags && office) named.push_back({"DocStructureTags", *tags != 0});
    if (Request.PdfA != 0) named.push_back({"UseISO19005_1", true});
    HandExportOptions(false);
    Document.Call("ExportAsFixedFormat", {}, named);
  }

  bool SavesSlidePictures() const {
    return Request.DestFormat == formats::kPowerPointJpeg || Request.DestFormat == formats::kPowerPointGif;
  }

  const TProcedureContext& context_;
  ImageSettings pictures_;
};

}  // namespace

std::unique_ptr<TOfficeSteps> MakePowerPointSteps(const ole::Variant& app, const TOfficeRequest& request,
                                                  const TProcedureContext& context) {
  return std::make_unique<PowerPointSteps>(app, request, context);
}

}  // namespace quillet
