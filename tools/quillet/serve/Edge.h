// The HTTP edge of quillet serve. cpp-httplib (Debian's libcpp-httplib 0.11)
// parses requests and writes answers; this layer owns the connections under
// it, because the library's own loop bounds nothing but each single read:
// - every connection runs on a thread of its own, up to a bound; one past it
//   is answered 503 at once and closed, so that slow or idle clients cannot
//   take the threads that the health check needs;
// - one request's reading has deadlines of its own (its line and headers,
//   and the whole request with its body), counted from its first byte, so a
//   client that sends one byte a second is cut off in time;
// - the bytes one request may send from the wire are bounded;
// - a request whose body was not read to its end (refused before it, or cut
//   off in it) is answered and its connection closed, so that what is left of
//   the body is never read as further requests.
//
// Thread-safety: the server's members are called as httplib's are (Listen on
// one thread, Stop from any). CurrentConnection() is the connection of the
// calling thread: only the handlers of the request it serves may use it.
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace quillet::cli::serve {

using Clock = std::chrono::steady_clock;

struct EdgeLimits {
  size_t maxConnections = 128;                   // open at once
  std::chrono::milliseconds headers{10000};      // a request's line and headers, from its first byte
  std::chrono::milliseconds request{60000};      // its whole reading, body included, from its first byte
  std::chrono::milliseconds idle{2000};          // waiting for the next request of a connection
  std::chrono::milliseconds stall{10000};        // one read or write that makes no progress
  uint64_t maxRequestBytes = uint64_t(1) << 30;  // one request from the wire, framing included
};

// The connection the calling thread serves.
class Connection {
 public:
  int socket() const { return socket_; }
  // The client closed its side or reset the connection.
  bool ClientGone() const;
  // This request is answered, then the connection is closed: its body was
  // not read to its end.
  void CloseAfterAnswer() { closeAfter_ = true; }
  bool closing() const { return closeAfter_; }
  // The bytes of the current request read from the wire so far.
  uint64_t bytesRead() const { return bytesRead_; }
  // Why a read of the current request failed: its deadline passed, or it
  // sent more than a request may.
  bool pastDeadline() const { return pastDeadline_; }
  bool pastSize() const { return pastSize_; }

 private:
  friend class WireStream;
  friend class EdgeServer;
  explicit Connection(int socket) : socket_(socket) {}  // owned by the edge while it serves it
  void StartRequest(Clock::time_point now, const EdgeLimits& limits);

  int socket_;
  bool closeAfter_ = false;
  bool headersRead_ = false;
  bool pastDeadline_ = false, pastSize_ = false;
  uint64_t bytesRead_ = 0;
  Clock::time_point headersBy_{}, requestBy_{};
};

// The connection of the calling thread; null on a thread that serves none.
Connection* CurrentConnection();

class EdgeServer : public httplib::Server {
 public:
  explicit EdgeServer(const EdgeLimits& limits);
  ~EdgeServer() override;

  // Connections open now.
  size_t connections() const { return open_; }
  // After a bind: lets the kernel hold as many connections not yet accepted
  // as it allows (httplib asks for 5: a burst of clients past that waits a
  // second or more for the handshake to be retried).
  void WidenBacklog();
  // Stops accepting connections; Listen returns once the connections open
  // now have answered the request they are in (each is closed after it).
  // (httplib's own stop would also cut off the answers being written.)
  void StopListening();

 private:
  class Threads;
  bool process_and_close_socket(socket_t sock) override;
  // Answers 503 on a connection past the bound and shuts it down; its owner
  // closes it.
  void Refuse(socket_t sock);

  const EdgeLimits limits_;
  std::atomic<size_t> open_{0};
  std::atomic<bool> draining_{false};
};

}  // namespace quillet::cli::serve
