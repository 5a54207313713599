#include "engine/OfficeConvert.h"

namespace quillet {

ImageSettings TOfficeConvertClass::ImageSettingsFor(const std::string& option) const {
  ImageSettings base;
  base.JpegWidth = JpegWidth;
  base.JpegHeight = JpegHeight;
  base.JpegQuality = JpegQuality;
  base.JpegKeepAspect = JpegKeepAspect;
  base.GifWidth = GifWidth;
  base.GifHeight = GifHeight;
  base.GifKeepAspect = GifKeepAspect;
  return ParseImageSettings(option, base);
}

}  // namespace quillet
