// The one converter of the library: Word, Excel and PowerPoint through
// automation, Acrobat through its plug-in bridge, and the format library for
// conversions without Word.
#pragma once

#include <cstdint>
#include <string>

#include "engine/ConvertBase.h"
#include "imaging/ImageSettings.h"

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
};

}  // namespace quillet
