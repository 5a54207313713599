#include "ConvertApplication/ASPObject.h"

#include "ConvertApplication/ComError.h"

namespace quillet::comserver {

const IID kIID_IScriptingContext = {0xD97A6DA0, 0xA868, 0x11CF, {0x83, 0xAE, 0x00, 0xB0, 0xC9, 0x0C, 0x2B, 0xD8}};

HRESULT STDMETHODCALLTYPE TASPObject::OnStartPage(IUnknown* AScriptingContext) {
  if (!AScriptingContext) return ReturnComError(E_POINTER, __uuidof(IConvertApplication), kErrorSource);
  com::ComPtr<IScriptingContext> context;
  const HRESULT hr = AScriptingContext->QueryInterface(kIID_IScriptingContext, context.put_void());
  if (FAILED(hr) || !context) {
    return ReturnComError(FAILED(hr) ? hr : E_NOINTERFACE, __uuidof(IConvertApplication), kErrorSource);
  }
  ScriptingContext = std::move(context);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TASPObject::OnEndPage() {
  ScriptingContext.reset();
  return S_OK;
}

}  // namespace quillet::comserver
