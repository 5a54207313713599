// The four entries of an in-process COM server, exported beside the plain
// entry points (quillet.def). No exception leaves them.
#include <olectl.h>

#include "ConvertApplication/ClassFactory.h"
#include "ConvertApplication/ComServer.h"
#include "ConvertApplication/Registration.h"
#include "ConvertApplication/ServerLocks.h"

using namespace quillet::comserver;

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  TAutoObjectFactory* factory = FindFactory(clsid);
  if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
  return factory->QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() { return ServerInUse() ? S_FALSE : S_OK; }

STDAPI DllRegisterServer() {
  try {
    const std::wstring path = ModulePath();
    if (path.empty()) return SELFREG_E_CLASS;
    for (const TAutoObjectFactory* factory : Factories()) {
      if (FAILED(RegisterClassKeys(factory->Registration(), path))) return SELFREG_E_CLASS;
    }
    if (FAILED(RegisterTypeLibrary(path))) return SELFREG_E_TYPELIB;
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDAPI DllUnregisterServer() {
  try {
    HRESULT result = S_OK;
    // Everything goes that can, even after a part that cannot.
    for (const TAutoObjectFactory* factory : Factories()) {
      if (FAILED(UnregisterClassKeys(factory->Registration()))) result = SELFREG_E_CLASS;
    }
    const std::wstring path = ModulePath();
    if (path.empty() || FAILED(UnregisterTypeLibrary(path))) result = SELFREG_E_TYPELIB;
    return result;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
