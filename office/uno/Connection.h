// A connection to a listening soffice over a named pipe, made through
// connection::Connector and bridge::BridgeFactory so that the bridge itself is
// at hand: disposing it releases a call that hangs, and its disposing event
// says that the office has gone.
//
// Thread-safety: made and used on the stand-in's calling thread; Dispose and
// alive() may be called from any thread (a watchdog disposes the bridge of a
// call that hangs while that thread waits in it). The bridge's own reader and
// writer threads start with SIGPIPE blocked, so that a write to an office that
// has just ended fails instead of ending the host process.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include "uno/Uno.h"

namespace quillet::office::uno {

class Connection {
 public:
  // Empty when nothing accepts on the pipe (no office listens there).
  static std::unique_ptr<Connection> TryOpen(const std::string& pipeName);
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection();

  const Reference<css::uno::XComponentContext>& context() const { return context_; }
  const Reference<css::frame::XDesktop2>& desktop() const { return desktop_; }
  // False once the bridge is disposed (by us, or because the office went).
  bool alive() const { return !state_->disposed; }
  // Disposes the bridge; calls in flight fail with DisposedException.
  void Dispose();

  struct State {
    std::atomic<bool> disposed{false};
  };

 private:
  Connection() = default;
  std::shared_ptr<State> state_ = std::make_shared<State>();
  Reference<css::bridge::XBridge> bridge_;
  Reference<css::uno::XComponentContext> context_;
  Reference<css::frame::XDesktop2> desktop_;
};

}  // namespace quillet::office::uno
