#include "ConvertApplication/ClassFactory.h"

#include <new>

#include "ConvertApplication/ComServer.h"
#include "ConvertApplication/ServerLocks.h"

namespace quillet::comserver {

TAutoObjectFactory::TAutoObjectFactory(ClassRegistration registration, const IID& iid, Creator create)
    : registration_(std::move(registration)), iid_(iid), create_(create) {}

void TAutoObjectFactory::Shutdown(bool processEnding) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (processEnding) {
    // Left to the system, like the converter.
    typeInfo_.dispatch.detach();
    typeInfo_.vtable.detach();
  }
  typeInfo_ = {};
}

HRESULT TAutoObjectFactory::TypeInfo(DualTypeInfo& info) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!typeInfo_.vtable) {
    const HRESULT hr = LoadDualTypeInfo(ModulePath(), iid_, typeInfo_);
    if (FAILED(hr)) return hr;
  }
  info = typeInfo_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TAutoObjectFactory::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == __uuidof(IUnknown) || iid == __uuidof(IClassFactory)) {
    *object = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// The factory is a static part of the server: its references are not counted.
ULONG STDMETHODCALLTYPE TAutoObjectFactory::AddRef() { return 2; }
ULONG STDMETHODCALLTYPE TAutoObjectFactory::Release() { return 1; }

HRESULT STDMETHODCALLTYPE TAutoObjectFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  try {
    DualTypeInfo info;
    const HRESULT loaded = TypeInfo(info);
    if (FAILED(loaded)) return loaded;
    IUnknown* made = create_(info);
    // The caller's interface, then the creator's reference goes: an interface
    // the object lacks leaves nothing behind.
    const HRESULT hr = made->QueryInterface(iid, object);
    made->Release();
    return hr;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT STDMETHODCALLTYPE TAutoObjectFactory::LockServer(BOOL lock) {
  if (lock)
    comserver::LockServer();
  else
    UnlockServer();
  return S_OK;
}

}  // namespace quillet::comserver
