// The route without Word: web pages that are to become text go through
// Internet Explorer; everything else goes to the format library's
// NoWordConvert, with the option's open format, and the picture clean-up
// runs after a conversion that succeeded.
#include <cstring>

#include "documents/HtmlToTextByIE.h"
#include "documents/RemoveHtmlImages.h"
#include "engine/options/Options.h"
#include "platform/error.h"
#include "platform/path.h"
#include "procedures/Routes.h"
#include "utilities/Messages.h"
#include "utilities/Strings.h"

namespace quillet {

namespace {

// The two texts the format library is handed in buffers of this size, the
// terminating zero included.
constexpr size_t kBridgeBufferSize = 1024;

bool IsPageToText(const std::string& src, const std::string& dest) {
  return Contains(LowerCase(path::ExtractFileExt(src)), ".htm") &&
         Contains(LowerCase(path::ExtractFileExt(dest)), ".txt");
}

}  // namespace

void ConvertWithoutWord(TProcedureContext& context, const std::string& src, const std::string& dest,
                        const std::string& destFormat, const std::string& option, std::string& errorText) {
  if (IsPageToText(src, dest)) {
    // No picture clean-up here: a text file has no pictures.
    HtmlToTextByIE(src, dest, errorText, context.PageWaitLimitMs());
    return;
  }

  TOfficeApplications& applications = context.Applications();
  if (!applications.Held(TApplication::NoWord)) throw Error(texts::kFormatBridgeNotLoaded);
  const std::string openFormat =
      options::Has(option, options::kOpenFormat) ? options::OpenFormatValue(option) : std::string();
  // A value cut to fit would be another open format: it is refused whole.
  if (openFormat.size() >= kBridgeBufferSize) {
    errorText = texts::OpenFormatTooLong(openFormat.size(), kBridgeBufferSize - 1);
    return;
  }
  char openFormatBuffer[kBridgeBufferSize] = {};
  std::memcpy(openFormatBuffer, openFormat.data(), openFormat.size());
  char errorBuffer[kBridgeBufferSize] = {};

  applications.NoWordConvert(src.c_str(), openFormatBuffer, dest.c_str(), destFormat.c_str(), errorBuffer);
  // Read no further than the buffer, whether or not the library ended its
  // text there.
  errorText.assign(errorBuffer, strnlen(errorBuffer, kBridgeBufferSize));

  if (errorText.empty() && options::Has(option, options::kNoCreateImageDir)) RemoveHtmlImages(dest, errorText);
}

}  // namespace quillet
