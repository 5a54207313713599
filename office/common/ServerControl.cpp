#include "common/ServerControl.h"

#include "uno/Office.h"

namespace quillet::office {

ServerControl::ServerControl(IDispatch* owner) : owner_(com::ComPtr<IDispatch>::Borrow(owner)) {}

HRESULT ServerControl::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == com::IID_IQuilletServerControl) {
    *object = static_cast<IQuilletServerControl*>(this);
    AddRef();
    return S_OK;
  }
  return owner_->QueryInterface(riid, object);
}

ULONG ServerControl::AddRef() { return ++refs_; }

ULONG ServerControl::Release() {
  const ULONG n = --refs_;
  if (n == 0) delete this;
  return n;
}

HRESULT ServerControl::StartedProcessId(DWORD* pid) {
  if (!pid) return E_POINTER;
  *pid = static_cast<DWORD>(uno::StartedOfficeProcess());
  return S_OK;
}

HRESULT ServerControl::Abort() {
  uno::AbortOffice();
  return S_OK;
}

}  // namespace quillet::office
