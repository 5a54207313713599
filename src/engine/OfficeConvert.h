// The one converter of the library: Word, Excel and PowerPoint through
// automation, Acrobat through its plug-in bridge, and the format library for
// conversions without Word. It validates a request, chooses its application,
// has the applications make it ready and hands the file to one of the four
// routes; the applications it holds are owned by TOfficeApplications, and the
// routes see the converter only through TProcedureContext.
//
// Thread-safety: none inside; one request at a time (see quillet.h). During a
// request the deadline's watchdog thread may stop the call the converter's
// thread waits in (see TOfficeApplications).
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "applications/FormatDiscovery.h"
#include "applications/OfficeApplications.h"
#include "documents/HtmlToTextByIE.h"
#include "engine/ConvertBase.h"
#include "engine/options/Request.h"
#include "platform/status.h"
#include "imaging/ImageSettings.h"
#include "procedures/ProcedureContext.h"

namespace quillet {

class TOfficeConvertClass : public TConvertBaseClass, public TProcedureContext {
 public:
  TOfficeConvertClass();
  ~TOfficeConvertClass() override;

  // The converter's operations. Their error-text out-parameters are their
  // callers' contract (the operations of the converter base class); each
  // makes its text from a Status at this boundary, and nothing below them
  // takes an error text.

  // Makes the named application ready (TOfficeApplications::StartApplication):
  // false with the reason in ErrorText when it cannot be had, false with
  // ErrorText unchanged for a name that is no application.
  bool StartApplication(const std::string& appName, std::string& errorText) override;
  // Releases the format tables, then gives the applications back.
  bool CloseApplications() override;
  // The single-file dispatcher (Dispatcher.cpp): Convert, its outcome made
  // the error text.
  void ConvertDocument(const std::string& src, const std::string& dest, const std::string& destFormat,
                       const std::string& option, std::string& errorText) override;
  // The folder driver (FolderConvert.cpp): ConvertFolder, its outcome left
  // to the report.
  void ConvertFolderContents(const std::string& src, const std::string& dest, const std::string& destFormat,
                             int32_t isSubFolder, const std::string& option, std::string& report) override;
  // "sourceformatlist" and "destformatlist"; any other name leaves both
  // outputs unchanged (the fonts' fields are no lists).
  void GetField(const std::string& fieldName, const std::string& param, std::string& errorText,
                std::string& value) override;

  // The typed operations the exports call. Convert: validates the request,
  // chooses its application, has it made ready and routes it, under the
  // document's deadline; what a route lets escape reaches the caller as
  // quillet::Error. ConvertFolder: the report as ConvertFolderContents
  // writes it; the outcome is that of the last file that failed, or of the
  // run's early end. Field: as GetField, and "substitutedfonts" and
  // "fallbackfonts", the fonts of the last request's document (empty when it
  // replaced none, or went no route that tells them).
  Status Convert(const TConversionRequest& request);
  Status ConvertFolder(const std::string& src, const std::string& dest, const std::string& destFormat,
                       int32_t isSubFolder, const std::string& option, std::string& report);
  Status Field(const std::string& fieldName, std::string& value);

  // The application for Src by its extension, from the source format table
  // (built from Word when it is empty).
  Status ChooseSourceApplication(const std::string& src, std::string& appName);

  // What the converter keeps besides the applications and the tables: the
  // picture settings slide pictures start from (a request's keywords apply to
  // that request only), the bounds of the printing waits, and of each wait for
  // a web page in Internet Explorer on the route without Word.
  struct TSettings {
    ImageSettings Pictures;
    TPrintWaits PrintWaitLimits;
    uint32_t PageWaitLimitMs = kPageWaitLimitMs;
  };
  TSettings& Settings() { return settings_; }

  // TProcedureContext.
  TOfficeApplications& Applications() override { return applications_; }
  ImageSettings ImageSettingsFor(const std::string& option) const override;
  std::string& PostScriptPrinter() override { return postScriptPrinter_; }
  const TPrintWaits& PrintWaits() const override { return settings_.PrintWaitLimits; }
  uint32_t PageWaitLimitMs() const override { return settings_.PageWaitLimitMs; }
  void RecordSubstitutedFonts(TSubstitutedFonts fonts) override { fonts_ = std::move(fonts); }

 private:
  // The version gates and the choice of one of the four routes (Dispatcher.cpp).
  Status Route(TApplication app, const TConversionRequest& request);
  TFormatTables Tables() { return {Sources(), Dests()}; }

  TOfficeApplications applications_;
  TSettings settings_;
  // The PostScript printer, chosen on the first PDF conversion and kept.
  std::string postScriptPrinter_;
  // The fonts of the last request's document.
  TSubstitutedFonts fonts_;
};

}  // namespace quillet
