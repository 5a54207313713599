#include "PlugKitApplication.h"

#include <cstdio>

#include "DelimitedText.h"
#include "PdfText.h"
#include "automation/DispatchObject.h"
#include "automation/Failure.h"
#include "platform/file.h"

namespace quillet::plugkit {

namespace {

using office::CallArgs;
using office::Result;

// The answer of one conversion: empty on success.
std::string Convert(const std::string& src, const std::string& dest, const std::string& option) {
  std::string text;
  try {
    text = DelimitedText(ReadPdfLines(src), DelimiterOf(option));
  } catch (const PdfFailure& e) {
    return e.what();
  }
  const os::UniqueFile out{std::fopen(dest.c_str(), "wb")};
  if (!out) return "Can not write " + dest;
  if (std::fwrite(text.data(), 1, text.size(), out.get()) != text.size() || std::fflush(out.get()) != 0)
    return "Can not write " + dest;
  return {};
}

void SetAnswer(const VARIANT& answer, const std::string& text) {
  ::SysFreeString(*answer.pbstrVal);
  const com::OleString wide = com::ToOle(text);
  *answer.pbstrVal = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

class PlugKitApplication : public office::DispatchObject {
 public:
  PlugKitApplication() : DispatchObject("plugkit") {
    Item("IsPlug_insLoadOk", {}, [](const CallArgs&, Result& r) { r.Int(1); });
    Method("ConvertFile", {"SrcFile", "DestFile", "Option", "ErrorText"}, [](const CallArgs& a, Result&) {
      const VARIANT* answer = a.Find(3, "ErrorText");
      if (!answer || answer->vt != (VT_BYREF | VT_BSTR) || !answer->pbstrVal)
        throw office::Failure("ErrorText must be passed by reference as a text.");
      const std::optional<std::string> src = a.Text(0, "SrcFile"), dest = a.Text(1, "DestFile");
      if (!src || src->empty() || !dest || dest->empty()) throw office::Failure("A file name is needed.");
      SetAnswer(*answer, Convert(*src, *dest, a.Text(2, "Option").value_or("")));
    });
  }
};

}  // namespace

IDispatch* NewPlugKitApplication() { return new PlugKitApplication(); }

}  // namespace quillet::plugkit
