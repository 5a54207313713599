#include "ConvertApplication/ComError.h"

#include "platform/com/com.h"
#include "utilities/automation/Automation.h"

namespace quillet::comserver {

HRESULT ReturnComError(HRESULT code, REFIID iid, const std::string& source, const std::string& message) noexcept {
  try {
    com::ComPtr<ICreateErrorInfo> create;
    if (FAILED(::CreateErrorInfo(create.put()))) return code;
    // The setters take zero-terminated text: a description is cut at an
    // embedded NUL, which a message can only have if a caller's string did.
    const com::OleString wideSource = com::ToOle(source);
    const com::OleString wideMessage = com::ToOle(message);
    create->SetGUID(iid);
    create->SetSource(const_cast<LPOLESTR>(wideSource.c_str()));
    create->SetDescription(const_cast<LPOLESTR>(wideMessage.c_str()));
    const com::ComPtr<IErrorInfo> info = create.try_query<IErrorInfo>();
    ::SetErrorInfo(0, info.get());
  } catch (...) {
    // Out of memory while describing the failure: the code is all there is.
  }
  return code;
}

HRESULT ReturnComError(HRESULT code, REFIID iid, const std::string& source) noexcept {
  std::string text;
  try {
    text = ole::OleErrorText(code);
  } catch (...) {
  }
  return ReturnComError(code, iid, source, text);
}

}  // namespace quillet::comserver
