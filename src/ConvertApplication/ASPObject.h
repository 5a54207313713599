// TASPObject: an automation object that takes part in an Active Server Pages
// page. The page framework calls OnStartPage before the page's script runs,
// handing over its scripting context, and OnEndPage after it; in between the
// object keeps the page's IScriptingContext. Nothing here reads the page's
// request or response through it: it is only held for the page's lifetime.
//
// The two hooks are the first two entries of IConvertApplication, the one
// dual interface of the server.
#pragma once

// Before <asptlb.h>, which needs the COM declarations in place.
#include "ConvertApplication/AutoObject.h"

#include <asptlb.h>

#include "platform/com/com_ptr.h"

namespace quillet::comserver {

// {D97A6DA0-A868-11CF-83AE-00B0C90C2BD8}, published by Active Server Pages.
extern const IID kIID_IScriptingContext;

// The source named in the error objects of the class's methods: its ProgID.
inline constexpr char kErrorSource[] = "quillet.ConvertApplication";

class TASPObject : public TAutoObject<IConvertApplication> {
 public:
  using TAutoObject::TAutoObject;

  // Asks AScriptingContext for IScriptingContext and keeps it. An object that
  // does not offer it fails the call and leaves the kept context as it was.
  HRESULT STDMETHODCALLTYPE OnStartPage(IUnknown* AScriptingContext) override;
  // Lets the kept context go.
  HRESULT STDMETHODCALLTYPE OnEndPage() override;

 protected:
  // Empty when no page is active.
  com::ComPtr<IScriptingContext> ScriptingContext;
};

}  // namespace quillet::comserver
