// A connection to a listening soffice over a named pipe, made over a socket
// of our own and bridge::BridgeFactory so that both are at hand: the socket
// file is whichever we name (LibreOffice's own connector knows only the
// folder of this process's pipes), closing the socket or disposing the
// bridge releases a call that hangs, and the bridge's disposing event says
// that the office has gone.
//
// Thread-safety: opened and used on the stand-in's calling thread; Dispose
// and alive() may be called from any thread, at any time (a watchdog
// disposes the connection of a call that hangs, or of an opening that does,
// while that thread waits in it). The bridge's own reader and writer threads
// start with SIGPIPE blocked, so that a write to an office that has just
// ended fails instead of ending the host process.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/XConnection.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include "uno/Uno.h"

namespace quillet::office::uno {

class Connection {
 public:
  // Empty when nothing accepts on the pipe (no office listens there), or on
  // the socket file File.
  static std::unique_ptr<Connection> TryOpen(const std::string& pipeName);
  static std::unique_ptr<Connection> TryOpenFile(const std::string& file);

  // Not open yet: Open opens it, or Dispose, from another thread, ends it
  // first.
  Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection();

  // Connects to the office listening on socket file File. False when
  // nothing accepts there (also a listener that takes no more connections
  // now). Raises Failure when Dispose ended the opening, before it or while
  // it waited for the office.
  bool Open(const std::string& file);

  Reference<css::uno::XComponentContext> context() const;
  Reference<css::frame::XDesktop2> desktop() const;
  // False once the bridge is disposed (by us, or because the office went).
  bool alive() const { return !state_->disposed; }
  // Disposes the bridge and closes the socket; calls in flight fail with
  // DisposedException, an opening with Failure.
  void Dispose();

  struct State {
    std::atomic<bool> disposed{false};
  };

 private:
  std::shared_ptr<State> state_ = std::make_shared<State>();
  mutable std::mutex lock_;
  bool abandoned_ = false;  // Dispose was called
  Reference<css::connection::XConnection> link_;
  Reference<css::bridge::XBridge> bridge_;
  Reference<css::uno::XComponentContext> context_;
  Reference<css::frame::XDesktop2> desktop_;
};

}  // namespace quillet::office::uno
