#include "automation/ClassFactory.h"

#include <exception>

#include "platform/com/ComPtr.h"

namespace quillet::office {

HRESULT ClassFactory::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IClassFactory) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG ClassFactory::Release() {
  const ULONG n = --refs_;
  if (n == 0) delete this;
  return n;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  com::ComPtr<IDispatch> made;
  try {
    made = com::ComPtr<IDispatch>::Adopt(create_());
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
  if (!made) return E_FAIL;
  return made->QueryInterface(riid, object);
}

HRESULT GetClassObject(REFCLSID requested, REFCLSID served, ClassFactory::CreateFn create, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (requested != served) return CLASS_E_CLASSNOTAVAILABLE;
  const auto factory = com::ComPtr<IClassFactory>::Adopt(new (std::nothrow) ClassFactory(create));
  if (!factory) return E_OUTOFMEMORY;
  return factory->QueryInterface(riid, object);
}

}  // namespace quillet::office
