// The picture settings of the slide-image passes and the option keywords that
// set them.
//
// The converter's own fields start at zero, which would ask for empty
// pictures; a caller that has no wish of its own gets the defaults below: the
// slide's own size (100 % each way), JPEG quality 75, no aspect rule.
//
// Keywords, found anywhere in the option string and case-sensitive like the
// other option keywords (the first occurrence counts):
//   JPEGWIDTH=<n>  JPEGHEIGHT=<n>  GIFWIDTH=<n>  GIFHEIGHT=<n>
//       pixels, or with a minus sign a percentage of the slide's size
//       (-50 is half size); 0 is refused.
//   JPEGQUALITY=<n>   1 to 100.
//   JPEGKEEPASPECT, GIFKEEPASPECT
//       derive the height from the width and the slide's proportions;
//       "=1" after the keyword means the same, "=0" switches it off.
// A value is an optional sign and decimal digits, ended by the end of the
// option string, a blank, a tab, CR, LF, "," or ";". A value that is missing,
// not such a number, outside 32 bits or outside its range raises Error.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillet {

struct ImageSettings {
  int32_t JpegWidth = -100;
  int32_t JpegHeight = -100;
  int32_t JpegQuality = 75;
  bool JpegKeepAspect = false;
  int32_t GifWidth = -100;
  int32_t GifHeight = -100;
  bool GifKeepAspect = false;

  bool operator==(const ImageSettings&) const = default;
};

namespace options {
inline constexpr std::string_view kJpegWidth = "JPEGWIDTH=";
inline constexpr std::string_view kJpegHeight = "JPEGHEIGHT=";
inline constexpr std::string_view kJpegQuality = "JPEGQUALITY=";
inline constexpr std::string_view kJpegKeepAspect = "JPEGKEEPASPECT";
inline constexpr std::string_view kGifWidth = "GIFWIDTH=";
inline constexpr std::string_view kGifHeight = "GIFHEIGHT=";
inline constexpr std::string_view kGifKeepAspect = "GIFKEEPASPECT";
}  // namespace options

// Base with every image keyword of Option applied.
ImageSettings ParseImageSettings(std::string_view option, const ImageSettings& base = ImageSettings{});

}  // namespace quillet
