#include "common/ServerControl.h"

#include "uno/Office.h"

namespace quillet::office {

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
