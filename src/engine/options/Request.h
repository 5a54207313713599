// One conversion request as the layers below the engine take it: its paths,
// its format code and its option text read once into fields. Every reader of
// an option keyword reads it here; the text itself only travels on where an
// application is handed it whole (the Acrobat bridge, a macro).
//
// A keyword whose value is malformed does not fail the reading: the field
// keeps the failure and raises it (ErrorCode::InvalidOption) where the value
// is first needed, so that a request fails for the same reason, at the same
// step, as it always has.
//
// Thread-safety: a request is a value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "engine/formatlib/FormatCodes.h"
#include "engine/options/Options.h"
#include "platform/status.h"
#include "utilities/ApplicationTable.h"

namespace quillet {

// A keyword's value, or why it could not be read.
template <class T>
class TOptionValue {
 public:
  TOptionValue() = default;
  // Reads the value with Read, keeping a failure for Get.
  template <class F>
  static TOptionValue Read(F&& read) {
    TOptionValue v;
    const Status status = Capture([&] { v.value_ = read(); });
    if (!status.ok()) v.value_ = status;
    return v;
  }
  // The value; raises the reading's failure.
  const T& Get() const {
    if (const Status* failed = std::get_if<Status>(&value_)) failed->RaiseIfFailed();
    return std::get<T>(value_);
  }

 private:
  std::variant<T, Status> value_;
};

// The option text's keywords.
struct TOptions {
  // The text as the caller gave it.
  std::string Text;
  // The application the keywords name; none when they name none.
  std::optional<TApplication> Application;
  bool UseMacro = false;
  bool UseGsDll = false;
  bool MergeHtml = false;
  bool NoCreateImageDir = false;
  // Fail rather than lay the document out with a fallback of other metrics
  // for a font it names.
  bool StrictFonts = false;
  bool Orientation1 = false;
  bool Orientation2 = false;
  // "OPENFORMAT" is present / the text after "OPENFORMAT=".
  bool OpenFormat = false;
  std::string OpenFormatValue;
  TOptionValue<uint32_t> TimeoutSeconds;
  TOptionValue<int> PdfA;
  // The ranges of PAGES=; empty without it.
  TOptionValue<std::vector<options::PageRange>> Pages;
  TOptionValue<std::optional<std::string>> Password;
  TOptionValue<options::PdfExportOptions> PdfExport;

  // Reads every keyword of Text.
  static TOptions Parse(std::string option);
};

// One file to convert.
struct TConversionRequest {
  std::string Src;
  std::string Dest;
  TFormatCode Format;
  TOptions Options;

  static TConversionRequest Parse(std::string src, std::string dest, std::string format, std::string option) {
    return {std::move(src), std::move(dest), TFormatCode(std::move(format)), TOptions::Parse(std::move(option))};
  }
};

}  // namespace quillet
