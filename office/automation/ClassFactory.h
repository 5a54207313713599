// A class factory that makes one kind of object with a creation function: the
// IClassFactory that a server's factory export hands out.
#pragma once

#include <atomic>

#include "platform/com/com.h"

namespace quillet::office {

class ClassFactory : public IClassFactory {
 public:
  // Create returns a new object with one reference for the caller, or raises.
  using CreateFn = IDispatch* (*)();
  explicit ClassFactory(CreateFn create) : create_(create) {}
  virtual ~ClassFactory() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  CreateFn create_;
  std::atomic<ULONG> refs_{1};
};

// The body of a server's factory export: a new ClassFactory for Create when
// Requested is Served, asked for Riid.
HRESULT GetClassObject(REFCLSID requested, REFCLSID served, ClassFactory::CreateFn create, REFIID riid, void** object);

}  // namespace quillet::office
