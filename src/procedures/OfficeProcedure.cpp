#include "procedures/OfficeProcedure.h"

#include "documents/HtmlPageMerge.h"
#include "documents/RemoveHtmlImages.h"
#include "engine/options/Options.h"
#include "engine/formatlib/FormatCodes.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "procedures/OfficeSteps.h"
#include "procedures/PdfStage.h"
#include "utilities/Guarded.h"
#include "utilities/Messages.h"
#include "utilities/Strings.h"

namespace quillet {

void TOfficeSteps::PutBackAfterFailure() {
  Ignoring([&] { CloseAfterFailure(); });
}

void TOfficeSteps::SaveAsGeneric() {
  Document.Call("SaveAs", {},
                {{"FileName", Request.DestFile}, {"FileFormat", StrToInt(Request.DestFormat)}});
}

bool TOfficeSteps::ReadDocumentInfo(TDocumentInfo& info) const {
  // A property is an object; its text is its Value, which is what reading
  // the object as text would give (Value is its default member).
  auto read = [&](int32_t index) { return Document.Get("BuiltInDocumentProperties", {index}).Get("Value").AsString(); };
  std::string ignored;
  const bool read4 = Guarded(
      [&] {
        info.Title = read(1);
        info.Subject = read(2);
        info.Author = read(3);
        info.Keywords = read(4);
      },
      ignored);
  if (!read4) info = TDocumentInfo{};
  return read4;
}

namespace {

std::unique_ptr<TOfficeSteps> MakeSteps(TProcedureContext& context, const std::string& appName,
                                        const TOfficeRequest& request) {
  const ole::Variant& app = context.Applications().OfficeApplication(appName);
  if (appName == options::kMsWord) return MakeWordSteps(app, request);
  if (appName == options::kMsExcel) return MakeExcelSteps(app, request);
  if (appName == options::kMsPowerpoint) return MakePowerPointSteps(app, request, context);
  throw Error("\"" + appName + "\" is not an Office application");
}

// What the PDF keywords ask of an application that cannot do it, before
// anything is opened: PDF/A from the printing route or from Excel, whose PDF
// export has none, and a PDF/A part beyond the first, which the applications'
// ExportAsFixedFormat does not offer (UseISO19005_1 is PDF/A-1b).
// Other formats ignore the keywords.
void CheckPdfRequest(const std::string& appName, const TOfficeRequest& request) {
  if (request.PdfA == 0) return;
  if (request.DestFormat == formats::kPdfByPrinting)
    throw Error(texts::kPdfAByPrinting);
  const bool pdf = (appName == options::kMsWord && request.DestFormat == formats::kWordPdf) ||
                   (appName == options::kMsExcel && request.DestFormat == formats::kExcelPdf) ||
                   (appName == options::kMsPowerpoint && request.DestFormat == formats::kPowerPointPdf);
  if (!pdf) return;
  if (appName == options::kMsExcel) throw Error(texts::kPdfANotInExcel);
  if (request.PdfA != 1)
    throw Error("PDFA=" + std::to_string(request.PdfA) + ": " + appName + " makes PDF/A-1b only (PDFA or PDFA=1)");
}

// The page kind whose pages "MERGEHTML" joins, for this application and
// format; empty when the merge does not apply.
std::string MergeKind(const std::string& appName, const std::string& destFormat) {
  if (appName == options::kMsExcel && destFormat == formats::kExcelHtml) return "sheet";
  if (appName == options::kMsPowerpoint && destFormat == formats::kPowerPointHtml) return "slide";
  return {};
}

}  // namespace

void ConvertOfficeDocument(TProcedureContext& context, const std::string& appName, const std::string& srcFile,
                           const std::string& destFile, const std::string& destFormat, const std::string& option,
                           std::string& errorText) {
  TOfficeRequest request{Trim(srcFile), destFile, destFormat, option, 0, std::nullopt, std::nullopt};
  // A malformed PDF keyword, or one the application cannot honour, fails
  // the request before the application is asked anything.
  if (!Guarded(
          [&] {
            request.PdfA = options::PdfALevel(option);
            request.Pages = options::Pages(option);
            request.Password = options::Password(option);
            CheckPdfRequest(appName, request);
          },
          errorText))
    return;
  const std::unique_ptr<TOfficeSteps> steps = MakeSteps(context, appName, request);

  if (!steps->Open(errorText)) return;
  if (!steps->Prepare(errorText)) return;
  steps->SetTitle();
  os::ProcessMessages();

  if (destFormat == formats::kPdfByPrinting) {
    PrintToPdf(*steps, context, request, errorText);
    if (!errorText.empty()) return;
  } else {
    std::string failure;
    const bool saved = Guarded(
        [&] {
          os::DeleteFile(destFile);
          steps->Save(errorText);
          os::ProcessMessages();
          steps->Close();
        },
        failure);
    if (!saved) {
      // A failure of this close is not caught: it reaches the dispatcher.
      steps->CloseAfterFailure();
      errorText = failure;
      steps->Failed(errorText);
      return;
    }
  }

  if (options::Has(option, options::kMergeHtml)) {
    const std::string kind = MergeKind(appName, destFormat);
    if (!kind.empty()) {
      const std::string listFile =
          path::IncludeTrailingDelimiter(path::ChangeFileExt(destFile, ".files")) + "filelist.xml";
      std::string pages;
      GetHtmlPageList(listFile, kind, pages);
      if (!pages.empty() && !MergeHtmlPages(pages, destFile)) {
        errorText = texts::kMergeHtmlError;
        return;
      }
    }
  }

  if (options::Has(option, options::kNoCreateImageDir)) {
    // The clean-up reports its own outcome, but never over a failure that an
    // earlier step reported: that would turn a failed conversion into a
    // success.
    std::string cleanup;
    RemoveHtmlImages(destFile, cleanup);
    if (errorText.empty()) errorText = cleanup;
  }
  os::ProcessMessages();
  if (errorText.empty()) steps->Succeeded();
}

}  // namespace quillet
