#include "procedures/OfficeProcedure.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "documents/HtmlPageMerge.h"
#include "documents/RemoveHtmlImages.h"
#include "engine/formatlib/FormatCodes.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/status.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "procedures/OfficeSteps.h"
#include "procedures/PdfStage.h"
#include "utilities/Guarded.h"
#include "utilities/Messages.h"
#include "utilities/Strings.h"
#include "utilities/TextLines.h"

namespace quillet {

void TOfficeSteps::PutBackAfterFailure() {
  Ignoring([&] { CloseAfterFailure(); });
}

void TOfficeSteps::SaveAsGeneric() {
  Document.Call("SaveAs", {}, {{"FileName", Request.DestFile}, {"FileFormat", StrToInt(Request.DestFormat.Text())}});
}

namespace {

// The member of the library's own servers that takes LibreOffice's PDF
// export options; Office has none.
constexpr const char* kExportOptionsMember = "PdfExportOptions";
// DISP_E_UNKNOWNNAME: the object has no member of that name.
constexpr int32_t kUnknownName = static_cast<int32_t>(0x80020006u);

}  // namespace

void TOfficeSteps::HandExportOptions(bool listPages) const {
  if (!Request.TakesExportOptions) return;
  std::string text = Request.PdfExport.Keywords();
  // The PDF/A part, which Office's export can only ask as PDF/A-1b.
  if (Request.PdfA != 0)
    text += (text.empty() ? "" : " ") + std::string(options::kPdfA) + "=" + std::to_string(Request.PdfA);
  if (listPages && Request.Pages.size() > 1)
    text +=
        (text.empty() ? "" : " ") + std::string(options::kPages) + "\"" + options::PageRangesText(Request.Pages) + "\"";
  App.Put(kExportOptionsMember, text);
}

bool TOfficeSteps::ReadDocumentInfo(TDocumentInfo& info) const {
  // A property is an object; its text is its Value, which is what reading
  // the object as text would give (Value is its default member).
  auto read = [&](int32_t index) { return Document.Get("BuiltInDocumentProperties", {index}).Get("Value").AsString(); };
  const bool read4 = Capture([&] {
                       info.Title = read(1);
                       info.Subject = read(2);
                       info.Author = read(3);
                       info.Keywords = read(4);
                     }).ok();
  if (!read4) info = TDocumentInfo{};
  return read4;
}

namespace {

std::unique_ptr<TOfficeSteps> MakeSteps(TProcedureContext& context, const TOfficeRequest& request) {
  const ole::Variant& app = context.Applications().OfficeApplication(request.Application);
  switch (request.Application) {
    case TApplication::Word:
      return MakeWordSteps(app, request);
    case TApplication::Excel:
      return MakeExcelSteps(app, request);
    case TApplication::PowerPoint:
      return MakePowerPointSteps(app, request, context);
    default:
      break;
  }
  throw Error("\"" + std::string(ApplicationInfo(request.Application).Name) + "\" is not an Office application");
}

// The PDF.<Name>= options that Office's own export takes, by an argument of
// ExportAsFixedFormat or the page setup (see the steps' ExportPdf).
bool OfficeExportTakes(TApplication app, std::string_view name) {
  static const std::vector<std::string_view> word{"ExportBookmarks", "ExportNotes", "PdfUa",
                                                  "Quality",         "Landscape",   "UpdateIndexes"};
  static const std::vector<std::string_view> excel{"Quality", "Landscape"};
  static const std::vector<std::string_view> powerPoint{"ExportHiddenSlides", "ExportNotesPages", "PdfUa", "Quality"};
  const auto& names = app == TApplication::Word ? word : app == TApplication::Excel ? excel : powerPoint;
  return std::find(names.begin(), names.end(), name) != names.end();
}

// What the PDF keywords ask of an application that cannot do it, before
// anything is opened: PDF/A from the printing route or from Excel, whose PDF
// export has none, and a PDF/A part beyond the first, which the applications'
// ExportAsFixedFormat does not offer (UseISO19005_1 is PDF/A-1b); PDF export
// options and lists of pages from the printing route, and those that Office's
// export has no argument for from Office. The library's own servers, which
// export through LibreOffice, take every export option and list. Other
// formats ignore the keywords.
void CheckPdfRequest(TOfficeRequest& request, TProcedureContext& context) {
  const bool list = request.Pages.size() > 1;
  if (request.DestFormat == formats::kPdfByPrinting) {
    if (request.PdfA != 0) throw Error(texts::kPdfAByPrinting, ErrorCode::InvalidOption);
    if (!request.PdfExport.Empty())
      throw Error(std::string(options::kPdfExportPrefix) + std::string(request.PdfExport.Names().front()) +
                      ": the printing route (-1) takes no PDF export options; save in the application's PDF format "
                      "instead",
                  ErrorCode::InvalidOption);
    if (list) throw Error("PAGES=: the printing route (-1) prints one range of pages", ErrorCode::InvalidOption);
    return;
  }
  const TApplication app = request.Application;
  const std::string appName(ApplicationInfo(app).Name);
  const bool pdf = (app == TApplication::Word && request.DestFormat == formats::kWordPdf) ||
                   (app == TApplication::Excel && request.DestFormat == formats::kExcelPdf) ||
                   (app == TApplication::PowerPoint && request.DestFormat == formats::kPowerPointPdf);
  if (!pdf) return;
  // What Office's export cannot make: PDF/A from Excel, a part beyond PDF/A-1b.
  const bool beyondOffice = request.PdfA > 1 || (request.PdfA != 0 && app == TApplication::Excel);
  if (request.PdfExport.Empty() && !list && !beyondOffice) return;
  // An application that does not know the member is Office; any other
  // failure of the question is the application's, and the request's.
  const ole::Variant& application = context.Applications().OfficeApplication(app);
  const Status asked = Capture([&] { application.Get(kExportOptionsMember); });
  if (!asked.ok() && asked.hresult() != kUnknownName) asked.RaiseIfFailed();
  request.TakesExportOptions = asked.ok();
  if (request.TakesExportOptions) return;
  if (request.PdfA != 0 && app == TApplication::Excel) throw Error(texts::kPdfANotInExcel, ErrorCode::InvalidOption);
  if (request.PdfA > 1)
    throw Error("PDFA=" + std::to_string(request.PdfA) + ": " + appName + " makes PDF/A-1b only (PDFA or PDFA=1)",
                ErrorCode::InvalidOption);
  // PowerPoint's print options hold several ranges; Word's and Excel's
  // export takes one.
  if (list && app != TApplication::PowerPoint)
    throw Error("PAGES=: " + appName + " exports one range of pages", ErrorCode::InvalidOption);
  for (std::string_view name : request.PdfExport.Names())
    if (!OfficeExportTakes(app, name))
      throw Error(std::string(options::kPdfExportPrefix) + std::string(name) + ": " + appName +
                      " has no such PDF export option",
                  ErrorCode::InvalidOption);
}

// The page kind whose pages "MERGEHTML" joins, for this application and
// format; empty when the merge does not apply.
std::string MergeKind(TApplication app, const TFormatCode& destFormat) {
  if (app == TApplication::Excel && destFormat == formats::kExcelHtml) return "sheet";
  if (app == TApplication::PowerPoint && destFormat == formats::kPowerPointHtml) return "slide";
  return {};
}

// The fonts the application replaced in the document just saved. Only the
// library's own servers (the stand-ins over LibreOffice) tell them; Office
// lays out with the machine's own fonts. Not knowing them fails nothing.
TSubstitutedFonts ReadSubstitutedFonts(const ole::Variant& app) {
  TSubstitutedFonts fonts;
  if (!ole::ServerControl::Of(app.AsObject())) return fonts;
  Ignoring([&] {
    fonts.Substituted = app.Get("SubstitutedFonts").AsString();
    fonts.Fallbacks = app.Get("FallbackFonts").AsString();
  });
  return fonts;
}

// STRICTFONTS: the families laid out with a fallback of other metrics refuse
// the document, and what was written of it is removed.
Status RefuseFallbackFonts(const TOfficeRequest& request, const TSubstitutedFonts& fonts) {
  if (!request.Options.StrictFonts || fonts.Fallbacks.empty()) return Status::Ok();
  std::string families;
  for (const std::string& family : SplitLines(fonts.Fallbacks)) {
    if (family.empty()) continue;
    if (!families.empty()) families += ", ";
    families += family;
  }
  Ignoring([&] { os::DeleteFile(request.DestFile); });
  return Status(ErrorCode::FontsMissing, texts::kFontsNotAvailable + families);
}

}  // namespace

Status ConvertOfficeDocument(TProcedureContext& context, TApplication app, const TConversionRequest& conversion) {
  TOfficeRequest request{
      app,  Trim(conversion.Src), conversion.Dest, conversion.Format, conversion.Options, 0, {}, std::nullopt, {},
      false};
  const TOptions& options = conversion.Options;
  // A malformed PDF keyword, or one the application cannot honour, fails
  // the request before the application is asked anything.
  if (Status checked = Capture([&] {
        request.PdfA = options.PdfA.Get();
        request.Pages = options.Pages.Get();
        request.Password = options.Password.Get();
        request.PdfExport = options.PdfExport.Get();
        CheckPdfRequest(request, context);
      });
      !checked.ok())
    return checked;
  const std::unique_ptr<TOfficeSteps> steps = MakeSteps(context, request);

  if (Status opened = steps->Open(); !opened.ok()) return opened;
  if (Status prepared = steps->Prepare(); !prepared.ok()) return prepared;
  steps->SetTitle();
  os::ProcessMessages();

  Status outcome;
  TSubstitutedFonts fonts;
  if (request.DestFormat == formats::kPdfByPrinting) {
    outcome = PrintToPdf(*steps, context, request);
    fonts = ReadSubstitutedFonts(context.Applications().OfficeApplication(app));
    context.RecordSubstitutedFonts(fonts);
    if (!outcome.ok()) return outcome;
  } else {
    const Status saved = Capture([&] {
      os::DeleteFile(request.DestFile);
      outcome = steps->Save();
      // (Read before the close: an application may be let go with its last document.)
      fonts = ReadSubstitutedFonts(context.Applications().OfficeApplication(app));
      context.RecordSubstitutedFonts(fonts);
      os::ProcessMessages();
      steps->Close();
    });
    if (!saved.ok()) {
      // A failure of this close is not caught: it reaches the dispatcher.
      steps->CloseAfterFailure();
      steps->Failed(saved);
      return saved;
    }
  }
  if (Status refused = RefuseFallbackFonts(request, fonts); !refused.ok()) {
    steps->Failed(refused);
    return refused;
  }

  if (options.MergeHtml) {
    const std::string kind = MergeKind(app, request.DestFormat);
    if (!kind.empty()) {
      const std::string listFile =
          path::IncludeTrailingDelimiter(path::ChangeFileExt(request.DestFile, ".files")) + "filelist.xml";
      std::string pages;
      GetHtmlPageList(listFile, kind, pages);
      if (!pages.empty() && !MergeHtmlPages(pages, request.DestFile)) return Status::Failed(texts::kMergeHtmlError);
    }
  }

  if (options.NoCreateImageDir) {
    // The clean-up reports its own outcome, but never over a failure that an
    // earlier step reported: that would turn a failed conversion into a
    // success.
    std::string cleanup;
    RemoveHtmlImages(request.DestFile, cleanup);
    if (outcome.ok() && !cleanup.empty()) outcome = Status(ErrorCode::FileSystem, cleanup);
  }
  os::ProcessMessages();
  if (outcome.ok()) steps->Succeeded();
  return outcome;
}

}  // namespace quillet
