// The control interface of the stand-in applications: the process id of the
// office this process started, and stopping that office when a conversion
// has run past its deadline.
#pragma once

#include "platform/com/ServerControlTearOff.h"

namespace quillet::office {

// A tear-off of one application object, which it keeps alive.
class ServerControl : public com::ServerControlTearOff {
 public:
  explicit ServerControl(IDispatch* owner) : com::ServerControlTearOff(owner) {}

  HRESULT STDMETHODCALLTYPE StartedProcessId(DWORD* pid) override;
  HRESULT STDMETHODCALLTYPE Abort() override;
};

}  // namespace quillet::office
