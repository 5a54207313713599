#include "procedures/PdfStage.h"

#include "documents/gsdlllib/Ghostscript.h"
#include "documents/gsdlllib/PostScriptPrinter.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "procedures/PrintWait.h"
#include "utilities/Guarded.h"
#include "utilities/Messages.h"
#include "utilities/ScopeExit.h"
#include "utilities/SysUtils.h"

namespace quillet {

namespace {

// PdfDocument.Save's flags: a full save that also collects garbage.
constexpr int32_t kSaveFullCollectGarbage = 33;

// A PDF maker that reports its failure in its result (0 or less) rather than
// raising has failed all the same.
void MakePdf(TProcedureContext& context, const std::string& psFile, const std::string& destFile) {
  const ole::Variant result = context.Applications().PdfMaker().Call("FileToPdf", {psFile, destFile, ""});
  const bool refused = (result.type() == ole::Variant::Type::Integer && result.AsInteger() <= 0) ||
                       (result.type() == ole::Variant::Type::Boolean && !result.AsBoolean());
  if (refused) throw Error(texts::PdfMakerRefused(destFile, psFile));
}

// Title, subject, author and keywords into the PDF; any failure leaves the
// PDF as it was made. An object that answers false instead of raising has
// failed too.
void WriteDocumentInfo(TProcedureContext& context, const std::string& destFile, const TDocumentInfo& info) {
  bool opened = false;
  const ole::Variant* pdf = nullptr;
  Ignoring([&] {
    pdf = &context.Applications().PdfDocument();
    auto check = [](const ole::Variant& answer, const char* what) {
      if (answer.type() == ole::Variant::Type::Boolean && !answer.AsBoolean())
        throw Error(texts::PdfDocumentRefused(what));
    };
    check(pdf->Call("Open", {destFile}), "Open");
    opened = true;
    pdf->Call("SetInfo", {"Title", info.Title});
    pdf->Call("SetInfo", {"Subject", info.Subject});
    pdf->Call("SetInfo", {"Author", info.Author});
    pdf->Call("SetInfo", {"Keywords", info.Keywords});
    check(pdf->Call("Save", {kSaveFullCollectGarbage, destFile}), "Save");
  });
  if (opened) Ignoring([&] { pdf->Call("Close"); });
}

void RemoveLeftovers(const std::string& psFile, const std::string& destFile) {
  os::DeleteFile(psFile);
  os::DeleteFile(path::ChangeFileExt(destFile, ".log"));
}

}  // namespace

std::string PostScriptFileFor(const std::string& destFile) {
  const std::string temp = GetTempFolder();
  const std::string name = path::ExtractFileName(path::ChangeFileExt(destFile, ".ps"));
  return temp.empty() ? path::ChangeFileExt(destFile, ".ps") : path::IncludeTrailingDelimiter(temp) + name;
}

Status PrintToPdf(TOfficeSteps& steps, TProcedureContext& context, const TOfficeRequest& request) {
  std::string psFile;
  bool printed = false;
  // However the stage ends short of a PDF (a failure it reports, or one that
  // it lets go to the caller), nothing it changed stays behind: before the
  // print, the document and the application's settings; after it, the
  // PostScript file.
  auto putBack = MakeScopeExit([&] {
    if (!printed) steps.PutBackAfterFailure();
    if (!psFile.empty()) os::DeleteFile(psFile);
  });
  if (Status named = Capture([&] { psFile = PostScriptFileFor(request.DestFile); }); !named.ok()) return named;
  os::ProcessMessages();

  const bool useGhostscript = request.Options.UseGsDll;
  TDocumentInfo info;
  const bool haveInfo = !useGhostscript && steps.ReadDocumentInfo(info);

  std::string& printer = context.PostScriptPrinter();
  if (printer.empty()) FindPostScriptPrinter(printer);
  os::ProcessMessages();
  // An empty name would make the application print to whatever it prints
  // to by default, or fail with a text about printers in general.
  if (printer.empty()) return Status(ErrorCode::NotInstalled, texts::kNoPostScriptPrinter);

  if (Status done = steps.PrintToPostScript(printer, psFile); !done.ok()) return done;
  printed = true;

  const TPrintWaits& waits = context.PrintWaits();
  if (Status appeared = WaitForPostScriptFile(psFile, printer, waits); !appeared.ok()) return appeared;
  os::SleepMs(waits.SettleMs);
  if (Status emptied = WaitForPrinterQueue(printer, waits); !emptied.ok()) return emptied;

  Status made = Capture([&] {
    if (useGhostscript) {
      PsToPdfByGhostscript(psFile, request.DestFile).RaiseIfFailed();
    } else {
      MakePdf(context, psFile, request.DestFile);
    }
  });
  os::ProcessMessages();
  RemoveLeftovers(psFile, request.DestFile);
  putBack.Release();
  if (!made.ok()) return made;
  os::ProcessMessages();

  if (!useGhostscript && haveInfo) WriteDocumentInfo(context, request.DestFile, info);
  return Status::Ok();
}

}  // namespace quillet
