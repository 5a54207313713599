#include "Edge.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "platform/unique_fd.h"

namespace quillet::cli::serve {

namespace {

using namespace std::chrono_literals;

thread_local Connection* current = nullptr;
// Set while the accepting thread itself serves a connection past the bound.
thread_local bool overflow = false;

// A connection serves this many requests at most, then is closed.
constexpr size_t kRequestsPerConnection = 1000;
// After an answer that closes a connection whose request was not read to its
// end, what the client still sends is read and dropped for a moment, so that
// the close does not reset the connection before the client has read the
// answer; then it is closed whatever comes.
constexpr auto kLinger = 1000ms;
constexpr size_t kLingerBytes = 4u << 20;

int Millis(Clock::duration d) {
  return static_cast<int>(std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(d).count()));
}

// Waits until Fd is ready for Events; false when the time ran out.
bool Ready(int fd, short events, Clock::duration wait) {
  pollfd p{fd, events, 0};
  for (;;) {
    const int n = ::poll(&p, 1, Millis(wait));
    if (n < 0 && errno == EINTR) continue;
    return n > 0;
  }
}

void Address(const sockaddr_storage& a, std::string& ip, int& port) {
  char text[INET6_ADDRSTRLEN] = "";
  if (a.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(a);
    ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    port = ntohs(v4.sin_port);
  } else if (a.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(a);
    ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    port = ntohs(v6.sin6_port);
  }
  ip = text;
}

// Ends the sending side of Fd and drops what the client still sends, for a
// moment; its owner then closes it.
void Linger(int fd) {
  ::shutdown(fd, SHUT_WR);
  const Clock::time_point end = Clock::now() + kLinger;
  char sink[65536];
  size_t dropped = 0;
  while (dropped < kLingerBytes && Ready(fd, POLLIN, end - Clock::now())) {
    const ssize_t n = ::recv(fd, sink, sizeof sink, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    dropped += static_cast<size_t>(n);
  }
}

}  // namespace

Connection* CurrentConnection() { return current; }

bool Connection::ClientGone() const {
  pollfd p{socket_, POLLRDHUP, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR));
}

void Connection::StartRequest(Clock::time_point now, const EdgeLimits& limits) {
  headersRead_ = pastDeadline_ = pastSize_ = closeAfter_ = false;
  bytesRead_ = 0;
  headersBy_ = now + limits.headers;
  requestBy_ = now + limits.request;
}

// The socket of one connection as httplib reads and writes it, with the
// request's deadlines and its bound on bytes.
class WireStream final : public httplib::Stream {
 public:
  WireStream(Connection& connection, const EdgeLimits& limits) : c_(connection), limits_(limits) {}

  bool is_readable() const override { return Ready(c_.socket_, POLLIN, limits_.stall); }
  bool is_writable() const override { return Ready(c_.socket_, POLLOUT, limits_.stall); }

  ssize_t read(char* ptr, size_t size) override {
    if (c_.bytesRead_ >= limits_.maxRequestBytes) {
      c_.pastSize_ = true;
      return -1;
    }
    size = static_cast<size_t>(std::min<uint64_t>(size, limits_.maxRequestBytes - c_.bytesRead_));
    const Clock::time_point by = c_.headersRead_ ? c_.requestBy_ : std::min(c_.headersBy_, c_.requestBy_);
    for (;;) {
      const Clock::time_point now = Clock::now();
      if (now >= by) {
        c_.pastDeadline_ = true;
        return -1;
      }
      if (!Ready(c_.socket_, POLLIN, std::min<Clock::duration>(limits_.stall, by - now))) {
        if (Clock::now() >= by) c_.pastDeadline_ = true;
        return -1;
      }
      const ssize_t n = ::recv(c_.socket_, ptr, size, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n > 0) c_.bytesRead_ += static_cast<uint64_t>(n);
      return n;
    }
  }

  ssize_t write(const char* ptr, size_t size) override {
    if (!is_writable()) return -1;
    for (;;) {
      const ssize_t n = ::send(c_.socket_, ptr, size, MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      return n;
    }
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage a{};
    socklen_t n = sizeof a;
    if (::getpeername(c_.socket_, reinterpret_cast<sockaddr*>(&a), &n) == 0) Address(a, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage a{};
    socklen_t n = sizeof a;
    if (::getsockname(c_.socket_, reinterpret_cast<sockaddr*>(&a), &n) == 0) Address(a, ip, port);
  }
  socket_t socket() const override { return c_.socket_; }

 private:
  Connection& c_;
  const EdgeLimits& limits_;
};

// A thread for each connection, up to the bound; past it the accepting thread
// refuses the connection itself.
class EdgeServer::Threads final : public httplib::TaskQueue {
 public:
  explicit Threads(size_t bound) : bound_(bound) {}

  void enqueue(std::function<void()> fn) override {
    {
      std::lock_guard lock(mutex_);
      if (running_ < bound_) {
        ++running_;
        std::thread([this, fn = std::move(fn)] {
          fn();
          std::lock_guard done(mutex_);
          --running_;
          ended_.notify_all();
        }).detach();
        return;
      }
    }
    overflow = true;
    fn();
    overflow = false;
  }

  void shutdown() override {
    std::unique_lock lock(mutex_);
    ended_.wait(lock, [this] { return running_ == 0; });
  }

 private:
  const size_t bound_;
  std::mutex mutex_;
  std::condition_variable ended_;
  size_t running_ = 0;
};

EdgeServer::EdgeServer(const EdgeLimits& limits) : limits_(limits) {
  new_task_queue = [n = limits.maxConnections] { return new Threads(n); };
}

EdgeServer::~EdgeServer() = default;

void EdgeServer::WidenBacklog() {
  if (svr_sock_ != INVALID_SOCKET) ::listen(svr_sock_, SOMAXCONN);
}

void EdgeServer::StopListening() {
  draining_ = true;
  // The accepting thread wakes with an error, closes the socket and ends;
  // the answers being written go on.
  if (svr_sock_ != INVALID_SOCKET) ::shutdown(svr_sock_, SHUT_RDWR);
}

void EdgeServer::Refuse(socket_t sock) {
  static const std::string body = R"({"status":503,"error":"too many connections: try again later"})";
  const std::string answer = "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\nContent-Length: " +
                             std::to_string(body.size()) + "\r\nRetry-After: 1\r\nConnection: close\r\n\r\n" + body;
  (void)::send(sock, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  ::shutdown(sock, SHUT_RDWR);
}

bool EdgeServer::process_and_close_socket(socket_t sock) {
  os::UniqueFd owned(sock);  // httplib hands the socket over: it is closed however this ends
  if (overflow) {
    Refuse(sock);
    return true;
  }
  ++open_;
  Connection connection(sock);
  current = &connection;
  WireStream stream(connection, limits_);
  bool ok = true;
  for (size_t served = 0; served < kRequestsPerConnection && svr_sock_ != INVALID_SOCKET && !draining_; ++served) {
    if (!Ready(sock, POLLIN, limits_.idle)) break;
    connection.StartRequest(Clock::now(), limits_);
    bool closed = false;
    ok = process_request(stream, served + 1 == kRequestsPerConnection || draining_, closed,
                         [&connection](httplib::Request&) { connection.headersRead_ = true; });
    // A request cut off in its reading leaves the rest of it on the wire.
    if (connection.pastDeadline_ || connection.pastSize_) connection.closeAfter_ = true;
    if (!ok || closed || connection.closeAfter_) break;
  }
  current = nullptr;
  if (connection.closeAfter_)
    Linger(sock);
  else
    ::shutdown(sock, SHUT_RDWR);
  owned.reset();
  --open_;
  return ok;
}

}  // namespace quillet::cli::serve
