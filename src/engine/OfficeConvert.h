// The one converter of the library: Word, Excel and PowerPoint through
// automation, Acrobat through its plug-in bridge, and the format library for
// conversions without Word.
#pragma once

#include <cstdint>
#include <string>

#include "engine/ConvertBase.h"
#include "imaging/ImageSettings.h"
#include "platform/module.h"
#include "utilities/Automation.h"

namespace quillet {

class TOfficeConvertClass : public TConvertBaseClass {
 public:
  TOfficeConvertClass();
  ~TOfficeConvertClass() override;

  bool StartApplication(const std::string& appName, std::string& errorText) override;
  bool CloseApplications() override;
  void GetSupportReport(std::string& text) override;
  void ConvertDocument(const std::string& src, const std::string& dest, const std::string& destFormat,
                       const std::string& option, std::string& errorText) override;
  void GetField(const std::string& fieldName, const std::string& param, std::string& errorText,
                std::string& value) override;
  void ReservedSlot10() override;

  // Application control (src/applications/OfficeApplications.cpp).
  // Gets hold of a running instance of ProgID, or creates one; Created tells
  // which. Raises Error when neither works.
  static ole::Variant AttachOrCreateOleObject(const std::string& progId, bool& created);
  bool StartWord(std::string& errorText);
  bool StartExcel(std::string& errorText);
  bool StartPowerPoint(std::string& errorText);
  bool StartAcrobat(std::string& errorText);
  bool LoadFormatBridge(std::string& errorText);
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

  // The automation objects: the plug-in bridge, two objects of the PDF path
  // that nothing assigns, and the applications' Application objects.
  ole::Variant AcrobatBridge;
  ole::Variant PdfDocument;
  ole::Variant PdfMaker;
  ole::Variant WordApp;
  ole::Variant ExcelApp;
  ole::Variant PowerPointApp;
  // Started: the object is held and may be used; never cleared once set.
  bool WordStarted = false;
  bool ExcelStarted = false;
  bool PowerPointStarted = false;
  bool AcrobatStarted = false;
  // Created: the converter made the application (and quits it at the end)
  // rather than borrowing a running one; meaningful while started.
  bool WordCreated = false;
  bool ExcelCreated = false;
  bool PowerPointCreated = false;
  bool AcrobatLaunched = false;

  // Picture settings used when slide bitmaps become JPEG and GIF files. They
  // start at the defaults of ImageSettings (the slide's own size, quality 75)
  // rather than at zero, which would ask for empty pictures.
  int32_t JpegWidth = ImageSettings{}.JpegWidth;
  int32_t JpegHeight = ImageSettings{}.JpegHeight;
  int32_t JpegQuality = ImageSettings{}.JpegQuality;
  bool JpegKeepAspect = ImageSettings{}.JpegKeepAspect;
  int32_t GifWidth = ImageSettings{}.GifWidth;
  int32_t GifHeight = ImageSettings{}.GifHeight;
  bool GifKeepAspect = ImageSettings{}.GifKeepAspect;

  // The picture settings of one request: these fields with the image keywords
  // of its option string applied. The fields themselves are not changed, so
  // one request's keywords do not leak into the next. Raises Error for a
  // malformed keyword value.
  ImageSettings ImageSettingsFor(const std::string& option) const;

  // The PostScript printer chosen for PDF output, found on first use and kept.
  std::string PostScriptPrinter;

  // The format library for conversions without Word: loaded with all three
  // entry points found; the module (kept after a failed look-up too); the
  // entry points. Only NoWordConvert is ever called.
  using NoWordConvertFn = int32_t(QUILLET_LIBRARY_CALL*)(const char* src, const char* openFormat,
                                                         const char* dest, const char* destFormat,
                                                         char* errorText);
  using BridgeProc = void(QUILLET_LIBRARY_CALL*)();
  bool FormatBridgeLoaded = false;
  os::Module FormatBridgeModule;
  NoWordConvertFn NoWordConvertProc = nullptr;
  BridgeProc GetSourceFormatListProc = nullptr;
  BridgeProc GetDestFormatListProc = nullptr;
};

}  // namespace quillet
