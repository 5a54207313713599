// What the tests of quillet serve share: the program started as a server on a
// free loopback port, with a private temporary folder and cache (the profiles
// of its workers' offices), and the ways a client talks to it: as
// cpp-httplib's client does, and byte by byte over a socket of its own.
#pragma once

#include <sys/types.h>

#include <httplib.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace quillet::test {

// The server program, started with Args and a short temporary folder of its
// own (TMPDIR, with the cache of its offices' profiles beside it); killed when
// the object goes.
class ServeProcess {
 public:
  explicit ServeProcess(const std::vector<std::string>& args, const std::vector<std::string>& environment = {});
  ~ServeProcess();
  ServeProcess(const ServeProcess&) = delete;
  ServeProcess& operator=(const ServeProcess&) = delete;

  int pid() const { return pid_; }
  int port() const { return port_; }
  std::unique_ptr<httplib::Client> Client(const std::string& token = {}) const;
  // Waits until /health answers Status; false when it did not within Limit.
  bool HealthTurns(int status, std::chrono::milliseconds limit, const std::string& token = {}) const;
  nlohmann::json Health(const std::string& token = {}) const;
  // SIGTERM; the exit status, or -1 when it did not exit of itself.
  int Stop();
  std::string Log() const;
  // The folder it was given as TMPDIR.
  std::filesystem::path temp() const { return root_ / "tmp"; }
  const std::filesystem::path& root() const { return root_; }
  // Whether Wanted comes true within Limit (asked every 20 ms).
  static bool Within(std::chrono::milliseconds limit, const std::function<bool()>& wanted);

 private:
  std::filesystem::path root_;
  pid_t pid_ = 0;
  int port_ = 0;
};

httplib::MultipartFormData Upload(const std::string& file, const std::string& name = {});
httplib::MultipartFormData UploadOf(const std::string& content, const std::string& name,
                                    const std::string& field = "file");
httplib::MultipartFormData Form(const std::string& name, const std::string& value);
httplib::Result Post(httplib::Client& client, const std::string& path, const httplib::MultipartFormDataItems& items,
                     const httplib::Headers& headers = {});

// The status and error of a JSON answer.
std::pair<int, std::string> Refusal(const httplib::Result& r);

// The soffice.bin processes whose parent, or parent's parent, is Pid (an
// office in a sandbox runs under the sandbox's own processes).
std::vector<int> OfficesOf(int pid);
// The names and contents of a zip archive's files.
std::map<std::string, std::string> Unzip(const std::string& archive);
int Pages(const std::string& pdf);
// A text long enough that its conversion to PDF takes a while.
std::string LongText(int lines = 6000);

// A connection of the test's own to the server, to send what no proper client
// sends.
class RawConnection {
 public:
  explicit RawConnection(int port);
  ~RawConnection();
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;
  // Sends all of Data; false once the server has closed or reset the
  // connection (or Limit passed with the server reading nothing).
  bool Send(const std::string& data, std::chrono::milliseconds limit = std::chrono::seconds(5));
  // Everything the server sends until it closes the connection, or until
  // Limit (then nullopt).
  std::optional<std::string> ReadToClose(std::chrono::milliseconds limit);
  // Whether the server has closed the connection within Limit.
  bool ClosedWithin(std::chrono::milliseconds limit);
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

// The HTTP answers in a stream of them: their status codes, in order.
std::vector<int> Statuses(const std::string& stream);

// A request a LoopbackServer took.
struct Hit {
  std::string method, path, body;
  httplib::Headers headers;
  std::string Header(const std::string& name) const;
};

// An HTTP server of the test's own on a loopback address (127.0.0.1,
// 127.0.0.2...) and a free port, standing for the hosts quillet serve
// reaches out to: a webhook's receiver, a download's server. It records
// every request, then lets Answer answer it (200 with no body when none is
// set).
class LoopbackServer {
 public:
  using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
  explicit LoopbackServer(const std::string& host = "127.0.0.1");
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int port() const { return port_; }
  // http://HOST:PORT followed by Path.
  std::string Url(const std::string& path) const;
  void Answer(Handler handler);
  std::vector<Hit> Hits() const;
  // The hits whose path is Path.
  std::vector<Hit> HitsOn(const std::string& path) const;
  // Whether there are at least N hits on Path within Limit.
  bool Reached(const std::string& path, size_t n, std::chrono::milliseconds limit) const;

 private:
  std::string host_;
  int port_ = 0;
  httplib::Server server_;
  mutable std::mutex m_;
  std::vector<Hit> hits_;
  Handler handler_;
  std::thread thread_;
};

}  // namespace quillet::test
