// The one converter of the library: Word, Excel and PowerPoint through
// automation, Acrobat through its plug-in bridge, and the format library for
// conversions without Word.
//
// Thread-safety: none inside; one request at a time (see quillet.h). The
// conversion procedures see the converter only through TProcedureContext.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "applications/AcrobatControl.h"
#include "applications/ApplicationSlot.h"
#include "documents/HtmlToTextByIE.h"
#include "engine/ConvertBase.h"
#include "imaging/ImageSettings.h"
#include "platform/module.h"
#include "procedures/ProcedureContext.h"

namespace quillet {

class TOfficeConvertClass : public TConvertBaseClass, public TProcedureContext {
 public:
  TOfficeConvertClass();
  ~TOfficeConvertClass() override;

  bool StartApplication(const std::string& appName, std::string& errorText) override;
  bool CloseApplications() override;
  void GetSupportReport(std::string& text) override;
  // The single-file dispatcher (Dispatcher.cpp).
  void ConvertDocument(const std::string& src, const std::string& dest, const std::string& destFormat,
                       const std::string& option, std::string& errorText) override;
  // The folder driver (FolderConvert.cpp).
  void ConvertFolderContents(const std::string& src, const std::string& dest, const std::string& destFormat,
                             int32_t isSubFolder, const std::string& option, std::string& report) override;
  void GetField(const std::string& fieldName, const std::string& param, std::string& errorText,
                std::string& value) override;
  void ReservedSlot10() override;

  // The version gates and the choice of one of the four routes (Dispatcher.cpp).
  void Route(const std::string& app, const std::string& src, const std::string& dest, const std::string& destFormat,
             const std::string& option, std::string& errorText);
  // The slot of "MS Word", "MS Excel" or "MS Powerpoint"; null for the other names.
  TApplicationSlot* OfficeSlot(const std::string& appName);
  // The name of Slot's application in messages ("Microsoft Word").
  std::string DisplayName(const TApplicationSlot& slot) const;
  // Gives Slot's application up after a deadline or its death: the next
  // request starts a new one. ThreadId is the calling thread.
  void GiveUp(TApplicationSlot& slot, uint32_t threadId);

  // The four routes of the dispatcher; each sets ErrorText (empty on success).
  void ConvertOfficeDocument(const std::string& appName, const std::string& src, const std::string& dest,
                             const std::string& destFormat, const std::string& option, std::string& errorText);
  void ConvertWithMacro(const std::string& appName, const std::string& src, const std::string& dest,
                        const std::string& destFormat, const std::string& option, std::string& errorText);
  void ConvertWithAcrobat(const std::string& src, const std::string& dest, const std::string& destFormat,
                          const std::string& option, std::string& errorText);
  void ConvertWithoutWord(const std::string& src, const std::string& dest, const std::string& destFormat,
                          const std::string& option, std::string& errorText);

  // TProcedureContext.
  const ole::Variant& OfficeApplication(const std::string& appName) const override;
  ImageSettings ImageSettingsFor(const std::string& option) const override;
  std::string& PostScriptPrinter() override { return PostScriptPrinterName; }
  // The PDF software (src/applications/PdfSoftware.cpp).
  const ole::Variant& PdfMaker() override;
  const ole::Variant& PdfDocument() override;
  const TPrintWaits& PrintWaits() const override { return PrintWaitLimits; }

  // Application control (src/applications/OfficeApplications.cpp).
  bool StartWord(std::string& errorText);
  bool StartExcel(std::string& errorText);
  bool StartPowerPoint(std::string& errorText);
  bool LoadFormatBridge(std::string& errorText);
  // Acrobat and its plug-in bridge (src/applications/AcrobatControl.cpp).
  bool StartAcrobat(std::string& errorText);
  // Makes sure Acrobat runs: Launched tells whether this call started it,
  // ErrorText (emptied first) why it could not be made ready.
  void LaunchAcrobat(bool& launched, std::string& errorText);
  // Give the applications back: quit what was created, show again what was
  // borrowed. Only CloseApplications calls them.
  bool CloseWord();
  bool CloseExcel();
  bool ClosePowerPoint();
  bool ReleaseAcrobatBridge();
  bool UnloadFormatBridge();

  // Format discovery (src/applications/FormatDiscovery.cpp).
  void LoadWordOpenFormats(std::string& errorText);
  void LoadWordSaveFormats(std::string& errorText);
  void ChooseSourceApplication(const std::string& src, std::string& errorText, std::string& appName);
  void GetSourceFormatListText(std::string& errorText, std::string& text);
  void GetDestFormatListText(std::string& errorText, std::string& text);

  // The applications: Word's, Excel's and PowerPoint's Application objects
  // with their started and created flags.
  TApplicationSlot WordApp;
  TApplicationSlot ExcelApp;
  TApplicationSlot PowerPointApp;

  // The plug-in bridge object; whether it is held and its plug-in loaded
  // (never cleared once set); whether the converter started Acrobat itself.
  // Acrobat is left running at the end, whoever started it.
  ole::Variant AcrobatBridge;
  // The bridge's server as a conversion past its deadline sees it: whether
  // the converter created it and the process that serves it (its object is
  // AcrobatBridge, not kept here).
  TApplicationSlot AcrobatServer;
  bool AcrobatStarted = false;
  bool AcrobatLaunched = false;
  // How long starting Acrobat waits for each stage.
  AcrobatWaits AcrobatWaitLimits;
  // Set when the deadline of the request in progress has passed: the waits
  // of the calling thread that no released call would end (those of
  // Acrobat's start) end then too.
  std::atomic<bool> DeadlinePassed{false};

  // Picture settings used when slide bitmaps become JPEG and GIF files. They
  // start at the defaults of ImageSettings (the slide's own size, quality 75)
  // rather than at zero, which would ask for empty pictures; a request's
  // picture keywords apply to that request only (ImageSettingsFor).
  int32_t JpegWidth = ImageSettings{}.JpegWidth;
  int32_t JpegHeight = ImageSettings{}.JpegHeight;
  int32_t JpegQuality = ImageSettings{}.JpegQuality;
  bool JpegKeepAspect = ImageSettings{}.JpegKeepAspect;
  int32_t GifWidth = ImageSettings{}.GifWidth;
  int32_t GifHeight = ImageSettings{}.GifHeight;
  bool GifKeepAspect = ImageSettings{}.GifKeepAspect;

  // PDF output: the PostScript printer, chosen on the first PDF conversion
  // and kept; the PDF maker and PDF document objects, created on first use
  // and kept (empty until then); the bounds of the printing waits.
  std::string PostScriptPrinterName;
  ole::Variant PdfMakerObject;
  ole::Variant PdfDocumentObject;
  TPrintWaits PrintWaitLimits;

  // How long each wait for a web page in Internet Explorer may take on the
  // route without Word before the conversion gives up (milliseconds).
  uint32_t PageWaitLimitMs = kPageWaitLimitMs;

  // The format library for conversions without Word: loaded with all three
  // entry points found; the module (kept after a failed look-up too); the
  // entry points. Of those three only NoWordConvert is ever called.
  // NoWordAbort is optional: a library that has it can be told, from another
  // thread, to end the conversion in progress (NoWordConvert then returns
  // with an error); only such a library is bound by the deadline.
  using NoWordConvertFn = int32_t(QUILLET_LIBRARY_CALL*)(const char* src, const char* openFormat,
                                                          const char* dest, const char* destFormat,
                                                          char* errorText);
  using BridgeProc = void(QUILLET_LIBRARY_CALL*)();
  bool FormatBridgeLoaded = false;
  os::Module FormatBridgeModule;
  NoWordConvertFn NoWordConvertProc = nullptr;
  BridgeProc GetSourceFormatListProc = nullptr;
  BridgeProc GetDestFormatListProc = nullptr;
  BridgeProc NoWordAbortProc = nullptr;
  // True while NoWordConvert runs: what the deadline's watchdog may stop.
  std::atomic<bool> BridgeConverting{false};
};

}  // namespace quillet
