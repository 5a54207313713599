// The one converter of the library: Word, Excel and PowerPoint through
// automation, Acrobat through its plug-in bridge, and the format library for
// conversions without Word.
#pragma once

#include <cstdint>
#include <string>

#include "engine/ConvertBase.h"

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

  // Picture settings used when slide bitmaps become JPEG and GIF files.
  int32_t JpegWidth = 0;
  int32_t JpegHeight = 0;
  int32_t JpegQuality = 0;
  bool JpegKeepAspect = false;
  int32_t GifWidth = 0;
  int32_t GifHeight = 0;
  bool GifKeepAspect = false;

  // The PostScript printer chosen for PDF output, found on first use and kept.
  std::string PostScriptPrinter;
};

}  // namespace quillet
