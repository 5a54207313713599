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

Status ConvertWithoutWord(TProcedureContext& context, const TConversionRequest& request) {
  const std::string& src = request.Src;
  const std::string& dest = request.Dest;
  std::string failure;
  if (IsPageToText(src, dest)) {
    // No picture clean-up here: a text file has no pictures.
    HtmlToTextByIE(src, dest, failure, context.PageWaitLimitMs());
    return failure.empty() ? Status::Ok() : Status::Failed(failure);
  }

  TOfficeApplications& applications = context.Applications();
  if (!applications.Held(TApplication::NoWord)) throw Error(texts::kFormatBridgeNotLoaded, ErrorCode::NotInstalled);
  const std::string openFormat = request.Options.OpenFormat ? request.Options.OpenFormatValue : std::string();
  // A value cut to fit would be another open format: it is refused whole.
  if (openFormat.size() >= kBridgeBufferSize)
    return Status(ErrorCode::InvalidOption, texts::OpenFormatTooLong(openFormat.size(), kBridgeBufferSize - 1));
  char openFormatBuffer[kBridgeBufferSize] = {};
  std::memcpy(openFormatBuffer, openFormat.data(), openFormat.size());
  char errorBuffer[kBridgeBufferSize] = {};

  applications.NoWordConvert(src.c_str(), openFormatBuffer, dest.c_str(), request.Format.Text().c_str(), errorBuffer);
  // Read no further than the buffer, whether or not the library ended its
  // text there.
  failure.assign(errorBuffer, strnlen(errorBuffer, kBridgeBufferSize));
  if (!failure.empty()) return Status::Failed(failure);

  if (request.Options.NoCreateImageDir) RemoveHtmlImages(dest, failure);
  return failure.empty() ? Status::Ok() : Status(ErrorCode::FileSystem, failure);
}

}  // namespace quillet
