#include "uno/Connection.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/io/IOException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <cppuhelper/implbase1.hxx>

#include "automation/Failure.h"
#include "platform/unique_fd.h"
#include "uno/Launcher.h"
#include "uno/LocalContext.h"

namespace quillet::office::uno {

namespace {

using os::UniqueFd;

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

// The bridge's byte stream: a connected Unix socket. The bridge's reader
// thread reads while its writer thread writes; close, from any thread, shuts
// the socket down, which ends a read or write in progress at once. The
// descriptor itself goes with the object, so that no other file can take
// its number while a thread still uses it.
class SocketLink : public cppu::WeakImplHelper1<css::connection::XConnection> {
 public:
  SocketLink(UniqueFd fd, const std::string& file) : fd_(std::move(fd)), description_(Ou("socket," + file)) {}

  sal_Int32 SAL_CALL read(Sequence<sal_Int8>& bytes, sal_Int32 count) override {
    if (closed_) throw css::io::IOException(OUString("the connection to LibreOffice is closed"));
    if (bytes.getLength() != count) bytes.realloc(count);
    sal_Int32 got = 0;
    while (got < count) {
      const ssize_t n = ::recv(fd_.get(), bytes.getArray() + got, static_cast<size_t>(count - got), 0);
      if (n > 0)
        got += static_cast<sal_Int32>(n);
      else if (n < 0 && errno == EINTR)
        continue;
      else
        break;  // the end: fewer bytes than asked for tell the bridge so
    }
    if (got < count) bytes.realloc(got);
    return got;
  }

  void SAL_CALL write(const Sequence<sal_Int8>& bytes) override {
    if (closed_) throw css::io::IOException(OUString("the connection to LibreOffice is closed"));
    const sal_Int8* data = bytes.getConstArray();
    size_t sent = 0;
    const size_t size = static_cast<size_t>(bytes.getLength());
    while (sent < size) {
      const ssize_t n = ::send(fd_.get(), data + sent, size - sent, MSG_NOSIGNAL);
      if (n > 0)
        sent += static_cast<size_t>(n);
      else if (n < 0 && errno == EINTR)
        continue;
      else
        throw css::io::IOException(Ou(std::string("the connection to LibreOffice failed: ") + std::strerror(errno)));
    }
  }

  void SAL_CALL flush() override {}

  void SAL_CALL close() override {
    if (!closed_.exchange(true)) ::shutdown(fd_.get(), SHUT_RDWR);
  }

  OUString SAL_CALL getDescription() override { return description_; }

 private:
  UniqueFd fd_;
  std::atomic<bool> closed_{false};
  OUString description_;
};

// A socket connected to File; invalid when nothing accepts there now. The
// connect does not wait: a listener whose queue is full (it stopped
// accepting) counts as none.
UniqueFd Connect(const std::string& file) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (file.size() >= sizeof address.sun_path) return UniqueFd();
  std::memcpy(address.sun_path, file.c_str(), file.size() + 1);
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!fd || ::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return UniqueFd();
  // Connected: from here on the bridge's reads wait for the office.
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  return fd;
}

const char* kAbandoned = "The connection to LibreOffice was given up while it was being made";

}  // namespace

std::unique_ptr<Connection> Connection::TryOpen(const std::string& pipeName) { return TryOpenFile(PipeFile(pipeName)); }

std::unique_ptr<Connection> Connection::TryOpenFile(const std::string& file) {
  auto c = std::make_unique<Connection>();
  if (!c->Open(file)) return nullptr;
  return c;
}

bool Connection::Open(const std::string& file) {
  const Reference<css::uno::XComponentContext> local = LocalContext();
  UniqueFd fd = Connect(file);
  if (!fd) return false;
  const Reference<css::connection::XConnection> link(new SocketLink(std::move(fd), file));
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (abandoned_) {
      link->close();
      throw Failure(kAbandoned);
    }
    link_ = link;
  }
  try {
    Reference<css::bridge::XBridge> bridge;
    {
      const SigpipeBlocked threadsStartWithoutSigpipe;
      bridge = css::bridge::BridgeFactory::create(local)->createBridge(OUString(), OUString("urp"), link, nullptr);
    }
    Reference<css::lang::XComponent> component(bridge, UNO_QUERY_THROW);
    component->addEventListener(Reference<css::lang::XEventListener>(new BridgeListener(state_)));
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (abandoned_) {
        component->dispose();
        throw Failure(kAbandoned);
      }
      bridge_ = bridge;
    }
    // The first calls on the office: one that does not answer (it is
    // stopped) waits here until Dispose releases it.
    Reference<css::uno::XComponentContext> context(bridge->getInstance(OUString("StarOffice.ComponentContext")),
                                                   UNO_QUERY_THROW);
    Reference<css::frame::XDesktop2> desktop = css::frame::Desktop::create(context);
    std::lock_guard<std::mutex> guard(lock_);
    if (abandoned_) throw Failure(kAbandoned);
    context_ = context;
    desktop_ = desktop;
  } catch (const css::uno::Exception&) {
    std::lock_guard<std::mutex> guard(lock_);
    if (abandoned_) throw Failure(kAbandoned);
    throw;
  }
  return true;
}

Connection::~Connection() { Dispose(); }

Reference<css::uno::XComponentContext> Connection::context() const {
  std::lock_guard<std::mutex> guard(lock_);
  return context_;
}

Reference<css::frame::XDesktop2> Connection::desktop() const {
  std::lock_guard<std::mutex> guard(lock_);
  return desktop_;
}

void Connection::Dispose() {
  Reference<css::connection::XConnection> link;
  Reference<css::bridge::XBridge> bridge;
  Reference<css::uno::XComponentContext> context;
  Reference<css::frame::XDesktop2> desktop;
  {
    std::lock_guard<std::mutex> guard(lock_);
    abandoned_ = true;
    link = link_;
    bridge = bridge_;
    context = context_;
    desktop = desktop_;
    link_.clear();
    bridge_.clear();
    context_.clear();
    desktop_.clear();
  }
  // Outside the lock: disposing waits for nothing of ours, and the office's
  // objects are released once their bridge is gone.
  if (bridge.is()) {
    try {
      Reference<css::lang::XComponent>(bridge, UNO_QUERY_THROW)->dispose();
    } catch (const css::uno::Exception&) {
    }
  }
  if (link.is()) {
    try {
      link->close();
    } catch (const css::uno::Exception&) {
    }
  }
  state_->disposed = true;
}

}  // namespace quillet::office::uno
