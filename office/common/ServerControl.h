// The control interface of the stand-in applications: the process id of the
// office this process started, and stopping that office when a conversion
// has run past its deadline.
#pragma once

#include <atomic>

#include "platform/com/ComPtr.h"
#include "platform/com/ServerControl.h"

namespace quillet::office {

// A tear-off of one application object, which it keeps alive.
class ServerControl : public IQuilletServerControl {
 public:
  explicit ServerControl(IDispatch* owner);
  virtual ~ServerControl() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE StartedProcessId(DWORD* pid) override;
  HRESULT STDMETHODCALLTYPE Abort() override;

 private:
  com::ComPtr<IDispatch> owner_;
  std::atomic<ULONG> refs_{1};
};

}  // namespace quillet::office
