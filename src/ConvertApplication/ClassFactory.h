// TAutoObjectFactory: the class factory of one automation class. Multi-
// instance: every CreateInstance makes a new object. It also carries what
// self-registration writes for the class.
//
// The factory lives as long as the library and is not counted among its
// objects: a client that keeps a factory and wants the library to stay
// loaded says so with LockServer, as COM prescribes.
#pragma once

#include <mutex>
#include <string>

#include "ConvertApplication/AutomationTypes.h"
#include "ConvertApplication/TypeLibrary.h"

namespace quillet::comserver {

// The registry entries of a class.
struct ClassRegistration {
  CLSID clsid;
  std::wstring progId;
  std::wstring description;
  std::wstring threadingModel;
};

class TAutoObjectFactory final : public IClassFactory {
 public:
  // Makes an object with one reference; may raise std::bad_alloc.
  using Creator = IUnknown* (*)(const DualTypeInfo& typeInfo);

  // Objects of the class implement the dual interface Iid, described in the
  // type library embedded in the server's file.
  TAutoObjectFactory(ClassRegistration registration, const IID& iid, Creator create);
  TAutoObjectFactory(const TAutoObjectFactory&) = delete;
  TAutoObjectFactory& operator=(const TAutoObjectFactory&) = delete;

  const ClassRegistration& Registration() const { return registration_; }

  // Drops the type information loaded for the objects (they keep their own
  // references). ProcessEnding: the process is going away, nothing is called.
  void Shutdown(bool processEnding);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IClassFactory
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  // The type information, loaded with the first object.
  HRESULT TypeInfo(DualTypeInfo& info);

  const ClassRegistration registration_;
  const IID iid_;
  const Creator create_;
  std::mutex mutex_;
  DualTypeInfo typeInfo_;
};

}  // namespace quillet::comserver
