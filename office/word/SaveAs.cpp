// Document.SaveAs: the format number through the Word table of
// formats/SaveFormats, text in the code page that Encoding (or SaveEncoding)
// names, a password when one is given. Document.ExportAsFixedFormat: PDF of
// a range of pages, PDF/A-1b, and the export options set before it, from a
// text document or from a PDF file that Open made a drawing of (which saves
// as PDF only).
#include <string_view>

#include "automation/Failure.h"
#include "utilities/automation/FailureKinds.h"
#include "common/PdfExport.h"
#include "formats/Encodings.h"
#include "formats/OpenFormats.h"
#include "formats/SaveFormats.h"
#include "uno/Documents.h"
#include "word/WordDoc.h"

namespace quillet::office::word {

namespace {

// WdLineEndingType: 0 CR LF, 1 CR, 2 LF CR, 3 LF, 4 LS/PS.
std::string LineEnds(std::optional<int32_t> ending) {
  switch (ending.value_or(0)) {
    case 1:
      return "CR";
    case 3:
      return "LF";
    default:
      return "CRLF";
  }
}

}  // namespace

void SaveAs(const AppState&, WordDoc& doc, const CallArgs& args) {
  const std::optional<std::string> file = args.Text(0, "FileName");
  if (!file || file->empty()) throw Failure("A file name is needed.");
  const int number = args.Int(1, "FileFormat").value_or(formats::WordFormatForPath(*file));
  const formats::SaveFormat& format = formats::FindSaveFormat(formats::Application::Word, number);
  const auto model = doc.doc->Model();
  // A PDF file that Open made a drawing of has no text flow for Writer's
  // filters to write: PDF is what it saves as, through Draw's export.
  if (const std::string pdf = uno::PdfExportFilterOf(model); pdf != "writer_pdf_Export") {
    if (std::string_view(format.filter ? format.filter : "") != "writer_pdf_Export")
      throw Failure("This file format is not available for a PDF file: " + std::to_string(number),
                    ole::kFormatNotAvailable);
    uno::ExportPdf(model, *file, pdf, 0, "");
    return;
  }
  std::string options = format.options;
  uno::ByteOrder order = uno::ByteOrder::AsWritten;
  if (format.kind == formats::SaveKind::Text) {
    int codePage = std::stoi(format.options);
    bool bom = false;
    if (number == 7) {
      // Unicode text, or encoded text in the code page asked for.
      codePage = args.Int(11, "Encoding").value_or(doc.saveEncoding.value_or(formats::kUtf16));
      bom = true;
    }
    options = formats::TextExportOptions(codePage, bom);
    if (codePage == formats::kUtf16BigEndian) order = uno::ByteOrder::SwapPairs;
    options.replace(options.find(",CRLF,"), 6, "," + LineEnds(args.Int(14, "LineEnding")) + ",");
  }
  uno::StoreDocument(model, *file, format.filter, options, args.Text(3, "Password").value_or(""), order);
}

void ExportAsFixedFormat(AppState& app, const WordDoc& doc, const CallArgs& args) {
  const PdfExportSettings settings = TakePdfExportOptions(app);
  constexpr int32_t kPdf = 17, kAllDocument = 0, kFromTo = 3;
  const std::optional<std::string> file = args.Text(0, "OutputFileName");
  if (!file || file->empty()) throw Failure("A file name is needed.");
  if (args.Int(1, "ExportFormat").value_or(-1) != kPdf) throw Failure("This export makes PDF only (ExportFormat 17).");
  const int32_t range = args.Int(4, "Range").value_or(kAllDocument);
  if (range != kAllDocument && range != kFromTo) throw Failure("Value out of range");
  const std::string pages = !settings.pages.empty() ? settings.pages
                            : range == kFromTo      ? PageRangeOf(args.Int(5, "From").value_or(1), args.Int(6, "To"))
                                                    : std::string();
  // A PDF file that Word opened is a drawing of LibreOffice's PDF import,
  // which Writer's export does not take.
  uno::ExportPdf(doc.doc->Model(), *file, uno::PdfExportFilterOf(doc.doc->Model()),
                 settings.PdfA(args.Bool(13, "UseISO19005_1").value_or(false)), pages, settings.options);
}

}  // namespace quillet::office::word
