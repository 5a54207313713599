#include "ServeSupport.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "Processes.h"
#include "TestSupport.h"

extern char** environ;

namespace quillet::test {

namespace fs = std::filesystem;
using nlohmann::json;
using namespace std::chrono_literals;

ServeProcess::ServeProcess(const std::vector<std::string>& args, const std::vector<std::string>& environment) {
  // Short: the offices' pipe sockets live in it, and a socket's path has
  // room for 107 bytes.
  std::string root = "/tmp/qst-XXXXXX";
  if (!::mkdtemp(root.data())) return;
  root_ = root;
  fs::create_directories(root_ / "tmp");
  std::vector<std::string> all = {QUILLET_PROGRAM, "serve", "--listen", "127.0.0.1:0"};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env = {"TMPDIR=" + (root_ / "tmp").string(), "XDG_CACHE_HOME=" + (root_ / "cache").string(),
                                  "QUILLET_OFFICE_PIPE=quillet-serve-test-" + std::to_string(::getpid())};
  env.insert(env.end(), environment.begin(), environment.end());
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    bool replaced = entry.rfind("QUILLET_AUTOMATION_REGISTRY=", 0) == 0;
    for (const std::string& set : env)
      replaced = replaced || entry.compare(0, set.find('=') + 1, set, 0, set.find('=') + 1) == 0;
    if (!replaced) env.push_back(entry);
  }
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, (root_ / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, (root_ / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = 0;
  posix_spawn_file_actions_destroy(&actions);
  // It prints its port once it listens.
  const std::regex listening("listening on 127\\.0\\.0\\.1:([0-9]+)");
  for (int i = 0; i < 1500 && pid_ && port_ == 0; ++i) {
    std::smatch m;
    const std::string out = ReadFile(root_ / "out");
    if (std::regex_search(out, m, listening))
      port_ = std::stoi(m[1]);
    else if (::waitpid(pid_, nullptr, WNOHANG) == pid_)
      pid_ = 0;
    else
      std::this_thread::sleep_for(20ms);
  }
}

ServeProcess::~ServeProcess() {
  if (pid_ > 0) {
    // Stopped as a supervisor stops it, so that it gives back what it made;
    // killed, with its workers and their offices, when it does not end.
    const std::vector<pid_t> under = cli::Descendants(pid_);
    ::kill(pid_, SIGTERM);
    if (!Within(20s, [this] { return ::waitpid(pid_, nullptr, WNOHANG) == pid_; })) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    cli::KillAll(under);
    cli::AllGone(under, 5000);
  }
  std::error_code ec;
  if (!root_.empty()) fs::remove_all(root_, ec);
}

std::unique_ptr<httplib::Client> ServeProcess::Client(const std::string& token) const {
  auto client = std::make_unique<httplib::Client>("127.0.0.1", port_);
  client->set_read_timeout(60, 0);
  if (!token.empty()) client->set_bearer_token_auth(token.c_str());
  return client;
}

bool ServeProcess::HealthTurns(int status, std::chrono::milliseconds limit, const std::string& token) const {
  auto client = Client(token);
  return Within(limit, [&] {
    const auto r = client->Get("/health");
    if (r && r->status == status) return true;
    std::this_thread::sleep_for(80ms);
    return false;
  });
}

json ServeProcess::Health(const std::string& token) const {
  const auto r = Client(token)->Get("/health");
  return r ? json::parse(r->body, nullptr, false) : json();
}

int ServeProcess::Stop() {
  ::kill(pid_, SIGTERM);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = 0;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ServeProcess::Log() const { return ReadFile(root_ / "err"); }

bool ServeProcess::Within(std::chrono::milliseconds limit, const std::function<bool()>& wanted) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (wanted()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(20ms);
  }
}

httplib::MultipartFormData Upload(const std::string& file, const std::string& name) {
  return {"file", ReadFile(file), name.empty() ? fs::path(file).filename().string() : name, "application/octet-stream"};
}

httplib::MultipartFormData UploadOf(const std::string& content, const std::string& name, const std::string& field) {
  return {field, content, name, "application/octet-stream"};
}

httplib::MultipartFormData Form(const std::string& name, const std::string& value) { return {name, value, "", ""}; }

httplib::Result Post(httplib::Client& client, const std::string& path, const httplib::MultipartFormDataItems& items,
                     const httplib::Headers& headers) {
  return client.Post(path, headers, items);
}

std::pair<int, std::string> Refusal(const httplib::Result& r) {
  if (!r) return {0, "no answer"};
  const json body = json::parse(r->body, nullptr, false);
  if (!body.is_object() || body.value("status", 0) != r->status) return {r->status, "not a JSON answer: " + r->body};
  return {r->status, body.value("error", "")};
}

std::vector<int> OfficesOf(int pid) {
  std::vector<int> pids;
  for (const pid_t p : cli::Descendants(pid)) {
    const std::string status = ReadFile("/proc/" + std::to_string(p) + "/status");
    if (status.rfind("Name:\tsoffice.bin\n", 0) == 0 && cli::Running(p)) pids.push_back(p);
  }
  return pids;
}

std::map<std::string, std::string> Unzip(const std::string& archive) {
  std::map<std::string, std::string> files;
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(archive.data(), archive.size(), 0, &error);
  zip_t* zip = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
  if (!zip) {
    if (source) zip_source_free(source);
    return files;
  }
  for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(zip, static_cast<zip_uint64_t>(i), 0, &st);
    std::string content(st.size, '\0');
    zip_file_t* f = zip_fopen_index(zip, static_cast<zip_uint64_t>(i), 0);
    if (f) {
      zip_fread(f, content.data(), st.size);
      zip_fclose(f);
    }
    files[st.name] = content;
  }
  zip_close(zip);
  return files;
}

int Pages(const std::string& pdf) {
  QPDF q;
  q.processMemoryFile("answer", pdf.data(), pdf.size());
  return static_cast<int>(QPDFPageDocumentHelper(q).getAllPages().size());
}

std::string LongText(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i) text += "Line " + std::to_string(i) + " of a long document, with words enough.\n";
  return text;
}

RawConnection::RawConnection(int port) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (fd_ >= 0) {
    // A small buffer: what the server does not read stays with the test.
    const int small = 64 * 1024, one = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
}

RawConnection::~RawConnection() {
  if (fd_ >= 0) ::close(fd_);
}

bool RawConnection::Send(const std::string& data, std::chrono::milliseconds limit) {
  size_t at = 0;
  const auto end = std::chrono::steady_clock::now() + limit;
  while (at < data.size()) {
    pollfd p{fd_, POLLOUT, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    if (p.revents & (POLLERR | POLLHUP)) return false;
    const ssize_t n = ::send(fd_, data.data() + at, data.size() - at, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) return false;
    at += static_cast<size_t>(n);
  }
  return true;
}

std::optional<std::string> RawConnection::ReadToClose(std::chrono::milliseconds limit) {
  std::string got;
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    pollfd p{fd_, POLLIN, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
    char chunk[65536];
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return got;  // closed (or reset)
    got.append(chunk, static_cast<size_t>(n));
  }
}

bool RawConnection::ClosedWithin(std::chrono::milliseconds limit) { return ReadToClose(limit).has_value(); }

std::vector<int> Statuses(const std::string& stream) {
  std::vector<int> statuses;
  const std::regex line("HTTP/1\\.1 ([0-9]{3}) ");
  for (auto it = std::sregex_iterator(stream.begin(), stream.end(), line); it != std::sregex_iterator(); ++it)
    statuses.push_back(std::stoi((*it)[1]));
  return statuses;
}

std::string Hit::Header(const std::string& name) const {
  const auto at = headers.find(name);
  return at == headers.end() ? std::string() : at->second;
}

LoopbackServer::LoopbackServer(const std::string& host) : host_(host) {
  auto take = [this](const httplib::Request& req, httplib::Response& res) {
    Handler handler;
    {
      std::lock_guard lock(m_);
      hits_.push_back({req.method, req.path, req.body, req.headers});
      handler = handler_;
    }
    if (handler) handler(req, res);
  };
  server_.Get(".*", take);
  server_.Post(".*", take);
  server_.Put(".*", take);
  server_.Patch(".*", take);
  port_ = server_.bind_to_any_port(host_);
  if (port_ > 0) thread_ = std::thread([this] { server_.listen_after_bind(); });
}

LoopbackServer::~LoopbackServer() {
  server_.stop();
  if (thread_.joinable()) thread_.join();
}

std::string LoopbackServer::Url(const std::string& path) const {
  return "http://" + host_ + ":" + std::to_string(port_) + path;
}

void LoopbackServer::Answer(Handler handler) {
  std::lock_guard lock(m_);
  handler_ = std::move(handler);
}

std::vector<Hit> LoopbackServer::Hits() const {
  std::lock_guard lock(m_);
  return hits_;
}

std::vector<Hit> LoopbackServer::HitsOn(const std::string& path) const {
  std::vector<Hit> on;
  for (const Hit& h : Hits())
    if (h.path == path) on.push_back(h);
  return on;
}

bool LoopbackServer::Reached(const std::string& path, size_t n, std::chrono::milliseconds limit) const {
  return ServeProcess::Within(limit, [&] { return HitsOn(path).size() >= n; });
}

}  // namespace quillet::test
