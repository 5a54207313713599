// Linux: the doubles are servers of the library's automation registry and
// offer its server control: the id of the process they started, and the
// abort of a call that hangs.
#include <memory>
#include <utility>

#include "core/Application.h"
#include "core/Session.h"
#include "platform/com/ServerControlTearOff.h"

namespace quillet::doubles {

namespace {

class ServerControlTearOff : public com::ServerControlTearOff {
 public:
  ServerControlTearOff(IDispatch* owner, std::shared_ptr<Session> session)
      : com::ServerControlTearOff(owner), session_(std::move(session)) {}

  HRESULT STDMETHODCALLTYPE StartedProcessId(DWORD* pid) override {
    if (!pid) return E_POINTER;
    // An instance a user started is one the server only attached to.
    *pid = session_->automation() ? kOwnProcess : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Abort() override {
    session_->Write("abort");
    session_->Abort();
    return S_OK;
  }

 private:
  // A stand-in for the process a real server would have started.
  static constexpr DWORD kOwnProcess = 1;
  std::shared_ptr<Session> session_;
};

}  // namespace

HRESULT OfferServerControl(IDispatch* owner, const std::shared_ptr<Session>& session, REFIID riid, void** object) {
  *object = nullptr;
  if (riid != com::IID_IQuilletServerControl) return E_NOINTERFACE;
  *object = static_cast<IQuilletServerControl*>(new ServerControlTearOff(owner, session));
  return S_OK;
}

}  // namespace quillet::doubles
