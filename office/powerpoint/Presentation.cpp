// A PowerPoint presentation over an Impress model.
#include <filesystem>

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>

#include "automation/DispatchObject.h"
#include "automation/Failure.h"
#include "common/DocumentProperties.h"
#include "common/PdfExport.h"
#include "common/Printing.h"
#include "formats/OpenFormats.h"
#include "formats/SaveFormats.h"
#include "powerpoint/PowerPoint.h"
#include "uno/Documents.h"

namespace quillet::office::powerpoint {

namespace {

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int FormatFor(const std::string& path) {
  const std::string ext = formats::LowerExtension(path);
  struct ByExtension {
    const char* ext;
    int format;
  };
  static constexpr ByExtension kDefaults[] = {{"ppt", 1},  {"htm", 12}, {"html", 12}, {"gif", 16}, {"jpg", 17},
                                              {"png", 18}, {"bmp", 19}, {"pptx", 24}, {"pdf", 32}, {"odp", 35}};
  for (const auto& d : kDefaults)
    if (ext == d.ext) return d.format;
  return 24;
}

void SaveAs(AppState& app, const OpenDocument& deck, const CallArgs& a) {
  const std::optional<std::string> file = a.Text(0, "FileName");
  if (!file || file->empty()) throw Failure("A file name is needed.");
  const int number = a.Int(1, "FileFormat").value_or(FormatFor(*file));
  const formats::SaveFormat& format = formats::FindSaveFormat(formats::Application::PowerPoint, number);
  switch (format.kind) {
    case formats::SaveKind::SlideImages: {
      // The pictures go into a folder named after the destination.
      std::filesystem::path folder(*file);
      folder.replace_extension();
      SaveSlidePictures(app.office(), deck, folder.string(), format.picture);
      break;
    }
    case formats::SaveKind::WebPage:
      SaveWebPage(app.office(), deck, *file);
      break;
    default:
      uno::StoreDocument(deck.Model(), *file, format.filter, format.options);
  }
}

// The presentation's print options, shared by every PrintOptions object made
// for it.
struct PrintSettings {
  std::string printer;
  bool fitToPage = false;
  std::vector<std::pair<int32_t, int32_t>> ranges;  // PrintOptions.Ranges: first and last slide
};

// One range of slides of the print options.
class PrintRange : public DispatchObject {
 public:
  PrintRange(std::shared_ptr<AppState> app, std::pair<int32_t, int32_t> range) : DispatchObject(app->source()) {
    Property("Start", [range](const CallArgs&, Result& r) { r.Int(range.first); });
    Property("End", [range](const CallArgs&, Result& r) { r.Int(range.second); });
  }
};

class PrintRanges : public DispatchObject {
 public:
  PrintRanges(std::shared_ptr<AppState> app, std::shared_ptr<PrintSettings> settings)
      : DispatchObject(app->source()), app_(std::move(app)), settings_(std::move(settings)) {
    Method("Add", {"Start", "End"}, [this](const CallArgs& a, Result& r) {
      const int32_t start = a.Int(0, "Start").value_or(0), end = a.Int(1, "End").value_or(0);
      if (start < 1 || end < start) throw Failure("Value out of range");
      settings_->ranges.emplace_back(start, end);
      r.Object(new PrintRange(app_, settings_->ranges.back()));
    });
    Method("ClearAll", {}, [this](const CallArgs&, Result&) { settings_->ranges.clear(); });
    Property("Count", [this](const CallArgs&, Result& r) { r.Int(static_cast<int32_t>(settings_->ranges.size())); });
    Item("Item", {"Index"}, [this](const CallArgs& a, Result& r) {
      const int32_t index = a.Int(0, "Index").value_or(0);
      if (index < 1 || index > static_cast<int32_t>(settings_->ranges.size())) throw Failure("Value out of range");
      r.Object(new PrintRange(app_, settings_->ranges[static_cast<size_t>(index - 1)]));
    });
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<PrintSettings> settings_;
};

// The slides of the print options' ranges, as LibreOffice takes them ("2-3,5-5").
std::string SlideRanges(const PrintSettings& settings) {
  std::string text;
  for (const auto& [first, last] : settings.ranges)
    text += (text.empty() ? "" : ",") + std::to_string(first) + "-" + std::to_string(last);
  return text;
}

// ExportAsFixedFormat: PDF (FixedFormatType 2) of every slide, or of the
// print options' ranges (RangeType 4, the range PrintRange is one of them);
// PDF/A-1b with UseISO19005_1; with the export options set before it.
void ExportAsFixedFormat(AppState& app, const OpenDocument& deck, const PrintSettings& settings, const CallArgs& a) {
  const PdfExportSettings exportSettings = TakePdfExportOptions(app);
  constexpr int32_t kPdf = 2, kPrintAll = 1, kSlideRange = 4;
  const std::optional<std::string> file = a.Text(0, "Path");
  if (!file || file->empty()) throw Failure("A file name is needed.");
  if (a.Int(1, "FixedFormatType").value_or(-1) != kPdf)
    throw Failure("This export makes PDF only (FixedFormatType 2).");
  const int32_t rangeType = a.Int(8, "RangeType").value_or(kPrintAll);
  if (rangeType != kPrintAll && rangeType != kSlideRange) throw Failure("Value out of range");
  if (rangeType == kSlideRange && settings.ranges.empty()) throw Failure("The slide range is empty.");
  uno::ExportPdf(deck.Model(), *file, "impress_pdf_Export",
                 exportSettings.PdfA(a.Bool(14, "UseISO19005_1").value_or(false)),
                 !exportSettings.pages.empty() ? exportSettings.pages
                 : rangeType == kSlideRange    ? SlideRanges(settings)
                                               : std::string(),
                 exportSettings.options);
}

class PrintOptions : public DispatchObject {
 public:
  PrintOptions(std::shared_ptr<AppState> app, std::shared_ptr<PrintSettings> settings)
      : DispatchObject(app->source()), app_(std::move(app)), settings_(std::move(settings)) {
    Property(
        "ActivePrinter",
        [this](const CallArgs&, Result& r) {
          r.Text(settings_->printer.empty() ? kDefaultPrinter : settings_->printer);
        },
        [this](const CallArgs& a) {
          const std::string name = a.PutText();
          CheckPrinter(app_->office(), name);
          settings_->printer = name;
        });
    Property(
        "FitToPage", [this](const CallArgs&, Result& r) { r.Bool(settings_->fitToPage); },
        [this](const CallArgs& a) { settings_->fitToPage = a.PutBool(); });
    Item("Ranges", {}, [this](const CallArgs&, Result& r) { r.Object(new PrintRanges(app_, settings_)); });
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<PrintSettings> settings_;
};

// Impress's own setting for slides scaled to the printed page.
void SetFitToPage(const OpenDocument& deck, bool fit) {
  uno::Reference<uno::css::lang::XMultiServiceFactory> factory(deck.Model(), uno::UNO_QUERY_THROW);
  uno::Reference<uno::css::beans::XPropertySet> settings(
      factory->createInstance(uno::Ou("com.sun.star.document.Settings")), uno::UNO_QUERY_THROW);
  settings->setPropertyValue(uno::Ou("IsPrintFitPage"), uno::Any(fit));
}

class Presentation : public DispatchObject {
 public:
  Presentation(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> deck)
      : DispatchObject(app->source()), app_(std::move(app)), deck_(std::move(deck)) {
    Property("Name", [this](const CallArgs&, Result& r) { r.Text(BaseName(deck_->path)); });
    Property("FullName", [this](const CallArgs&, Result& r) { r.Text(deck_->path); });
    Item("BuiltInDocumentProperties", {"Index"}, [this](const CallArgs& a, Result& r) {
      deck_->Model();
      if (const VARIANT* index = a.Find(0, "Index"))
        r.Object(NewDocumentProperty(app_, deck_, *index));
      else
        r.Object(NewDocumentProperties(app_, deck_));
    });
    Item("PrintOptions", {}, [this](const CallArgs&, Result& r) {
      deck_->Model();
      r.Object(new PrintOptions(app_, print_));
    });
    // The slides (From to To), one a page on landscape paper, scaled to the
    // page when FitToPage is set; into the file named by PrintToFile when
    // there is one.
    Method("PrintOut", {"From", "To", "PrintToFile", "Copies", "Collate"}, [this](const CallArgs& a, Result&) {
      SetFitToPage(*deck_, print_->fitToPage);
      PrintJob job;
      job.printer = print_->printer.empty() ? kDefaultPrinter : print_->printer;
      job.file = a.Text(2, "PrintToFile").value_or("");
      job.landscape = true;
      job.pages = PageRangeOf(a.Int(0, "From"), a.Int(1, "To"));
      PrintDocument(app_->office(), *deck_, job);
    });
    Item("Slides", {}, [this](const CallArgs&, Result& r) {
      deck_->Model();
      r.Object(NewSlides(app_, deck_));
    });
    Method("SaveAs", {"FileName", "FileFormat", "EmbedTrueTypeFonts"},
           [this](const CallArgs& a, Result&) { SaveAs(*app_, *deck_, a); });
    Method("ExportAsFixedFormat",
           {"Path", "FixedFormatType", "Intent", "FrameSlides", "HandoutOrder", "OutputType", "PrintHiddenSlides",
            "PrintRange", "RangeType", "SlideShowName", "IncludeDocProperties", "KeepIRMSettings", "DocStructureTags",
            "BitmapMissingFonts", "UseISO19005_1", "ExternalExporter"},
           [this](const CallArgs& a, Result&) { ExportAsFixedFormat(*app_, *deck_, *print_, a); });
    Method("Close", {}, [this](const CallArgs&, Result&) {
      deck_->Model();
      deck_->Close();
    });
    Property("Saved", [](const CallArgs&, Result& r) { r.Bool(true); });
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<OpenDocument> deck_;
  std::shared_ptr<PrintSettings> print_ = std::make_shared<PrintSettings>();
};

}  // namespace

IDispatch* NewPresentation(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> deck) {
  return new Presentation(std::move(app), std::move(deck));
}

}  // namespace quillet::office::powerpoint
