// The application-specific steps of an Office conversion: one object per
// document, made by the frame (OfficeProcedure.cpp) for Word, Excel or
// PowerPoint. The frame calls them in its fixed order; a step returns its
// failure as a Status where the frame goes on after it, raises quillet::Error
// on a failure the frame handles, and swallows the failures that are of no
// consequence.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/options/Request.h"
#include "platform/status.h"
#include "procedures/ProcedureContext.h"
#include "utilities/automation/Automation.h"

namespace quillet {

// One conversion request as the steps see it; SrcFile is already trimmed.
struct TOfficeRequest {
  TApplication Application;
  std::string SrcFile;
  std::string DestFile;
  TFormatCode DestFormat;
  const TOptions& Options;
  // The PDF keywords' values, taken before the open: the PDF/A part (0:
  // none), the ranges of pages (empty: all) and the source's password.
  int PdfA = 0;
  std::vector<options::PageRange> Pages;
  std::optional<std::string> Password;
  // The PDF.<Name>= keywords.
  options::PdfExportOptions PdfExport;
  // The application takes LibreOffice's PDF export options through its
  // PdfExportOptions (the library's own servers); known before the open for
  // a PDF export with PDF.<Name>= keywords or a list of pages.
  bool TakesExportOptions = false;

  // The range of pages when PAGES= names exactly one.
  std::optional<options::PageRange> OneRange() const {
    return Pages.size() == 1 ? std::optional<options::PageRange>(Pages.front()) : std::nullopt;
  }
};

// The document information that PDF output copies into the PDF.
struct TDocumentInfo {
  std::string Title;
  std::string Subject;
  std::string Author;
  std::string Keywords;
};

class TOfficeSteps {
 public:
  TOfficeSteps(const ole::Variant& app, const TOfficeRequest& request) : App(app), Request(request) {}
  virtual ~TOfficeSteps() = default;
  TOfficeSteps(const TOfficeSteps&) = delete;
  TOfficeSteps& operator=(const TOfficeSteps&) = delete;

  // Open stage: alerts off, the dialog watcher around the open, the open.
  // A failure comes back once the application's own clean-up has run.
  virtual Status Open() = 0;
  // Steps between open and title (Word's links and pictures). A failure ends
  // the conversion; the document is then closed.
  virtual Status Prepare() { return Status::Ok(); }
  // Gives an untitled document the source's file name; failures ignored.
  virtual void SetTitle() = 0;
  // Save stage b: the application's special saves, else the generic one. A
  // special step may return a failure without raising.
  virtual Status Save() = 0;
  // Save stage d: closes the document, then what follows the close.
  virtual void Close() = 0;
  // Save stage e: closes the document when it is still open.
  virtual void CloseAfterFailure() = 0;
  // The conversion failed (open or save stage) / succeeded.
  virtual void Failed(const Status&) {}
  virtual void Succeeded() {}

  // PDF stage: the title, subject, author and keywords of the document
  // (BuiltInDocumentProperties 1 to 4, each read as its Value). False, with
  // all four empty, when any of them cannot be read.
  bool ReadDocumentInfo(TDocumentInfo& info) const;
  // PDF stage: prints the document through Printer into PsFile and closes it,
  // with what the application does before and after. The print's failure
  // comes back. Failures of the settings that are not guarded (a printer the
  // application refuses) are raised. Either way the document may still be
  // open: the stage then calls PutBackAfterFailure.
  virtual Status PrintToPostScript(const std::string& printer, const std::string& psFile) = 0;
  // PDF stage: puts back what the stage changed when it ends before the print
  // is done, whatever the reason (no printer, a printer the application
  // refuses, a failed print): the document is closed when still open, and
  // the application's alerts (Excel: and its link prompts) and Word's printer
  // are as they were. Never raises.
  virtual void PutBackAfterFailure();

 protected:
  // Document.SaveAs(FileName := DestFile, FileFormat := DestFormat as a number).
  void SaveAsGeneric();
  // True when DestFormat is PdfFormat (the application's PDF save format)
  // and PDFA, PAGES or a PDF.<Name>= keyword asks for what only
  // ExportAsFixedFormat offers.
  bool ExportsFixedFormat(TNamedFormat pdfFormat) const {
    return Request.DestFormat == pdfFormat &&
           (Request.PdfA != 0 || !Request.Pages.empty() || !Request.PdfExport.Empty());
  }
  // Before ExportAsFixedFormat, on an application that takes them: the
  // PDF.<Name>= keywords, and the list of pages when ListPages (the
  // export's own arguments then name no range).
  void HandExportOptions(bool listPages) const;

  const ole::Variant& App;
  const TOfficeRequest& Request;
  ole::Variant Document;
  bool DocumentOpen = false;
};

std::unique_ptr<TOfficeSteps> MakeWordSteps(const ole::Variant& app, const TOfficeRequest& request);
std::unique_ptr<TOfficeSteps> MakeExcelSteps(const ole::Variant& app, const TOfficeRequest& request);
std::unique_ptr<TOfficeSteps> MakePowerPointSteps(const ole::Variant& app, const TOfficeRequest& request,
                                                  const TProcedureContext& context);

}  // namespace quillet
