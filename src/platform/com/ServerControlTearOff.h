// The part of an IQuilletServerControl tear-off that every server has in
// common: it keeps its application object alive, answers for it to every
// other interface, and counts its own references. A server supplies
// StartedProcessId and Abort.
#pragma once

#include <atomic>

#include "platform/com/ServerControl.h"
#include "platform/com/com_ptr.h"

namespace quillet::com {

class ServerControlTearOff : public IQuilletServerControl {
 public:
  explicit ServerControlTearOff(IDispatch* owner) : owner_(ComPtr<IDispatch>::Borrow(owner)) {}
  virtual ~ServerControlTearOff() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IQuilletServerControl) {
      *object = static_cast<IQuilletServerControl*>(this);
      AddRef();
      return S_OK;
    }
    return owner_->QueryInterface(riid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

 private:
  ComPtr<IDispatch> owner_;
  std::atomic<ULONG> refs_{1};
};

}  // namespace quillet::com
