#include "uno/Connection.h"

#include <pthread.h>
#include <signal.h>

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <cppuhelper/implbase1.hxx>

#include "uno/LocalContext.h"

namespace quillet::office::uno {

namespace {

// SIGPIPE blocked on the calling thread while it lives. The bridge's reader
// and writer threads start inside createBridge and inherit the mask, so a
// write to an office that has just died fails with EPIPE, which disposes the
// bridge, instead of raising SIGPIPE, which would end the whole host process
// (a library must not change the process's own disposition of the signal).
// A SIGPIPE raised meanwhile on this thread stays pending for it alone and
// is taken before the mask is put back.
class SigpipeBlocked {
 public:
  SigpipeBlocked() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
  }
  ~SigpipeBlocked() {
    const timespec none{0, 0};
    while (::sigtimedwait(&pipe_, nullptr, &none) == SIGPIPE) {
    }
    ::pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  }
  SigpipeBlocked(const SigpipeBlocked&) = delete;
  SigpipeBlocked& operator=(const SigpipeBlocked&) = delete;

 private:
  sigset_t pipe_, old_;
};

// Marks the connection gone when the bridge is disposed.
class BridgeListener : public cppu::WeakImplHelper1<css::lang::XEventListener> {
 public:
  explicit BridgeListener(std::shared_ptr<Connection::State> state) : state_(std::move(state)) {}
  void SAL_CALL disposing(const css::lang::EventObject&) override { state_->disposed = true; }

 private:
  std::shared_ptr<Connection::State> state_;
};

}  // namespace

std::unique_ptr<Connection> Connection::TryOpen(const std::string& pipeName) {
  const Reference<css::uno::XComponentContext> local = LocalContext();
  Reference<css::connection::XConnection> link;
  try {
    link = css::connection::Connector::create(local)->connect(Ou("pipe,name=" + pipeName));
  } catch (const css::connection::NoConnectException&) {
    return nullptr;
  }
  std::unique_ptr<Connection> c(new Connection);
  const SigpipeBlocked threadsStartWithoutSigpipe;
  c->bridge_ = css::bridge::BridgeFactory::create(local)->createBridge(OUString(), OUString("urp"), link, nullptr);
  Reference<css::lang::XComponent>(c->bridge_, UNO_QUERY_THROW)
      ->addEventListener(Reference<css::lang::XEventListener>(new BridgeListener(c->state_)));
  c->context_.set(c->bridge_->getInstance(OUString("StarOffice.ComponentContext")), UNO_QUERY_THROW);
  c->desktop_ = css::frame::Desktop::create(c->context_);
  return c;
}

Connection::~Connection() { Dispose(); }

void Connection::Dispose() {
  desktop_.clear();
  context_.clear();
  if (bridge_.is()) {
    try {
      Reference<css::lang::XComponent>(bridge_, UNO_QUERY_THROW)->dispose();
    } catch (const css::uno::Exception&) {
    }
    bridge_.clear();
  }
  state_->disposed = true;
}

}  // namespace quillet::office::uno
