// TAutoObject: what every automation object of the server shares. It counts
// its references (and is counted among the server's live objects while it
// exists), answers IDispatch from the type information of its dual interface
// Dual, and tells callers through ISupportErrorInfo that Dual's failures come
// with an error object.
//
// Apartment-threaded: COM calls an object on the thread of the apartment that
// made it; the reference count is atomic all the same, as releases from a
// proxy's clean-up may come from elsewhere.
#pragma once

#include <atomic>

#include "ConvertApplication/AutomationTypes.h"
#include "ConvertApplication/ServerLocks.h"
#include "ConvertApplication/TypeLibrary.h"

namespace quillet::comserver {

// IDispatch over a dual interface's type information, for TAutoObject.
HRESULT DispatchGetTypeInfo(const DualTypeInfo& info, UINT index, ITypeInfo** typeInfo);
HRESULT DispatchGetIDsOfNames(const DualTypeInfo& info, REFIID riid, LPOLESTR* names, UINT count, DISPID* ids);
HRESULT DispatchInvoke(const DualTypeInfo& info, void* object, DISPID member, REFIID riid, WORD flags,
                       DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception, UINT* argError);

template <class Dual>
class TAutoObject : public Dual, public ISupportErrorInfo {
 public:
  // Starts with one reference, the creator's.
  explicit TAutoObject(DualTypeInfo typeInfo) : typeInfo_(std::move(typeInfo)) { ObjectCreated(); }
  TAutoObject(const TAutoObject&) = delete;
  TAutoObject& operator=(const TAutoObject&) = delete;
  virtual ~TAutoObject() { ObjectDestroyed(); }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(Dual)) {
      *object = static_cast<Dual*>(this);
    } else if (iid == __uuidof(ISupportErrorInfo)) {
      *object = static_cast<ISupportErrorInfo*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** typeInfo) override {
    return DispatchGetTypeInfo(typeInfo_, index, typeInfo);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    return DispatchGetIDsOfNames(typeInfo_, riid, names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argError) override {
    // The type information calls the vtable entries of the Dual part.
    return DispatchInvoke(typeInfo_, static_cast<Dual*>(this), member, riid, flags, params, result, exception,
                          argError);
  }

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
    return iid == __uuidof(Dual) ? S_OK : S_FALSE;
  }

 private:
  std::atomic<ULONG> references_{1};
  const DualTypeInfo typeInfo_;
};

}  // namespace quillet::comserver
