// quillet serve: the HTTP side. cpp-httplib (Debian's libcpp-httplib)
// serves the requests from a thread pool of its own; each conversion waits
// for a worker of the pool (Pool.h), whose bounded queue answers 429 when
// it is full.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <nlohmann/json.hpp>

#include "Commands.h"
#include "FormatNames.h"
#include "Metrics.h"
#include "Output.h"
#include "Pool.h"
#include "Serve.h"
#include "Workers.h"

namespace quillet::cli {

namespace serve {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// What the log line of the request being served on this thread needs.
struct Note {
  const httplib::Request* request = nullptr;
  std::string trace;
  int worker = 0;
  Clock::time_point start;
};
thread_local Note note;

std::string NewTrace() {
  thread_local std::mt19937_64 random{std::random_device{}()};
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(random()));
  return text;
}

void Fail(httplib::Response& res, int status, const std::string& error) {
  res.status = status;
  if (status == 429) res.set_header("Retry-After", "2");
  res.set_content(json{{"status", status}, {"error", error}}.dump(), "application/json");
}

std::string Field(const httplib::Request& req, const std::string& name) {
  return req.has_file(name) ? req.get_file_value(name).content : std::string();
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Writes an upload into its request folder: a new file, never through a link.
void WriteUpload(const std::string& path, const std::string& content) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) throw std::runtime_error("the upload cannot be stored");
  size_t at = 0;
  while (at < content.size()) {
    const ssize_t n = ::write(fd, content.data() + at, content.size() - at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    at += static_cast<size_t>(n);
  }
  ::close(fd);
  if (at < content.size()) throw std::runtime_error("the upload cannot be stored");
}

// A private folder (0700) for one request, removed with what is in it.
class RequestFolder {
 public:
  explicit RequestFolder(const std::string& base) : path_(base + "/request-XXXXXX") {
    if (!::mkdtemp(path_.data())) throw std::runtime_error("no request folder can be made");
  }
  ~RequestFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  RequestFolder(const RequestFolder&) = delete;
  RequestFolder& operator=(const RequestFolder&) = delete;
  const std::string& path() const { return path_; }
  // A new subfolder.
  std::string Make(const std::string& name) const {
    const std::string made = path_ + "/" + name;
    fs::create_directories(made);
    return made;
  }

 private:
  std::string path_;
};

// The socket of the connection Req came on, found by its two ports.
int SocketOf(const httplib::Request& req) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator("/proc/self/fd", ec)) {
    int fd = -1;
    const std::string name = e.path().filename().string();
    if (std::from_chars(name.data(), name.data() + name.size(), fd).ec != std::errc()) continue;
    sockaddr_storage local{}, remote{};
    socklen_t ll = sizeof local, rl = sizeof remote;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &ll) != 0 ||
        ::getpeername(fd, reinterpret_cast<sockaddr*>(&remote), &rl) != 0)
      continue;
    auto port = [](const sockaddr_storage& a) {
      if (a.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(a).sin_port);
      if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(a).sin6_port);
      return static_cast<uint16_t>(0);
    };
    if (port(local) == req.local_port && port(remote) == req.remote_port) return fd;
  }
  return -1;
}

bool ClientGone(int fd) {
  pollfd p{fd, POLLRDHUP, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR));
}

// The body's size: a multipart body is parsed into its parts as it is read.
size_t BytesIn(const httplib::Request& req) {
  size_t size = req.body.size();
  const std::string length = req.get_header_value("Content-Length");
  std::from_chars(length.data(), length.data() + length.size(), size);
  return size;
}

bool PastDeadline(const std::string& error) { return error.find("longer than its deadline") != std::string::npos; }

// Text for a client: the server's own paths taken out.
std::string Clean(std::string text, const std::vector<std::string>& prefixes) {
  for (const std::string& prefix : prefixes)
    for (size_t at; (at = text.find(prefix)) != std::string::npos;) text.erase(at, prefix.size());
  return text;
}

struct Part {
  std::string name;  // cleaned
  const httplib::MultipartFormData* data;
};

class Server {
 public:
  Server(const ServeArgs& args, std::string base, std::string token, size_t workers, size_t maxQueue,
         size_t maxUpload)
      : args_(args),
        base_(std::move(base)),
        token_(std::move(token)),
        maxUpload_(maxUpload),
        pool_(SelfProgram(), workers, maxQueue, base_) {
    http_.new_task_queue = [n = workers + maxQueue + 4] { return new httplib::ThreadPool(n); };
    http_.set_payload_max_length(maxUpload);
    http_.set_keep_alive_timeout(2);
    http_.set_keep_alive_max_count(1000);
    // An answer is written as its head, then its body: without this the body
    // waits for the client's delayed acknowledgement of the head (40 ms).
    http_.set_tcp_nodelay(true);
    http_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
      note = {&req, req.has_header("Gotenberg-Trace") ? req.get_header_value("Gotenberg-Trace") : NewTrace(), 0,
              Clock::now()};
      res.set_header("Gotenberg-Trace", note.trace);
      if (!Authorized(req)) {
        res.set_header("WWW-Authenticate", "Bearer");
        Fail(res, 401, "a valid token is required (Authorization: Bearer <token>)");
        return httplib::Server::HandlerResponse::Handled;
      }
      return httplib::Server::HandlerResponse::Unhandled;
    });
    http_.set_error_handler([this](const httplib::Request&, httplib::Response& res) {
      if (!res.body.empty()) return;
      if (res.status == 413)
        Fail(res, 413, "the request is larger than " + std::to_string(maxUpload_) + " bytes");
      else if (res.status == 404)
        Fail(res, 404, "no such route");
      else
        Fail(res, res.status, "the request cannot be served");
    });
    http_.set_logger([this](const httplib::Request& req, const httplib::Response& res) { Log(req, res); });
    http_.Post("/convert", [this](const httplib::Request& req, httplib::Response& res) { Guarded(req, res, &Server::Convert); });
    http_.Post("/forms/libreoffice/convert",
               [this](const httplib::Request& req, httplib::Response& res) { Guarded(req, res, &Server::Compatible); });
    http_.Get("/health", [this](const httplib::Request&, httplib::Response& res) { Health(res); });
    http_.Get("/metrics", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(metrics_.Text(pool_.View()), "text/plain; version=0.0.4");
    });
    http_.Get("/version", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(json{{"name", "quillet"}, {"version", QUILLET_SERVE_VERSION}}.dump(), "application/json");
    });
    http_.Get("/formats", [](const httplib::Request&, httplib::Response& res) { Formats(res); });
  }

  // Binds; returns the port, or -1.
  int Bind(const std::string& host, int port) {
    if (port == 0) return http_.bind_to_any_port(host);
    return http_.bind_to_port(host, port) ? port : -1;
  }
  void StartPool() { pool_.Start(); }
  bool Listen() { return http_.listen_after_bind(); }
  // Takes no more work; the requests being served go on.
  void Close() {
    stopping_ = true;
    pool_.Close();
    http_.stop();
  }
  void KillWorkers() { pool_.Kill(); }
  void StopPool() { pool_.Stop(); }

 private:
  using Route = void (Server::*)(const httplib::Request&, httplib::Response&);

  // Nothing escapes a handler: what is not answered otherwise is a 500.
  void Guarded(const httplib::Request& req, httplib::Response& res, Route route) {
    try {
      if (!req.is_multipart_form_data()) return Fail(res, 400, "the body must be multipart/form-data");
      (this->*route)(req, res);
    } catch (const std::exception& e) {
      Fail(res, 500, Clean(e.what(), {base_ + "/", base_}));
    }
  }

  bool Authorized(const httplib::Request& req) const {
    if (token_.empty() || req.path == "/health") return true;
    const std::string given = req.get_header_value("Authorization");
    const std::string wanted = "Bearer " + token_;
    unsigned char differ = given.size() != wanted.size();
    for (size_t i = 0; i < wanted.size(); ++i)
      differ |= static_cast<unsigned char>(wanted[i] ^ (i < given.size() ? given[i] : 0));
    return differ == 0;
  }

  // Converts through the pool; 0 when done, else the status with Error set.
  int Run(const httplib::Request& req, Request request, int timeout, const RequestFolder& folder,
          std::string& error) {
    request.option = "TIMEOUT=" + std::to_string(timeout) + (request.option.empty() ? "" : " " + request.option);
    auto job = std::make_shared<Job>();
    job->request = std::move(request);
    switch (pool_.Submit(job)) {
      case Pool::Admission::Full:
        error = "the queue is full: try again later";
        return 429;
      case Pool::Admission::Stopping:
        error = "the server is stopping";
        return 503;
      case Pool::Admission::NoWorker:
        error = "no worker can take the request: their offices do not answer";
        return 503;
      case Pool::Admission::Queued:
        break;
    }
    int fd = -2;
    const bool answered = pool_.Wait(job, [&] {
      if (fd == -2) fd = SocketOf(req);
      return fd >= 0 && ClientGone(fd);
    });
    if (!answered) {
      error = "the client went away";
      return 499;
    }
    note.worker = std::max(job->worker, 0);
    metrics_.Waited(job->waitedSeconds);
    if (job->outcome.ok) return 0;
    error = Clean(job->outcome.error, {folder.path() + "/in/", folder.path() + "/out/", folder.path() + "/",
                                        base_ + "/", base_});
    if (job->workerDied || job->stopped) return stopping_ ? 503 : 500;
    return PastDeadline(job->outcome.error) ? 504 : 422;
  }

  // The deadline field: whole seconds, 1 to 86400.
  bool Timeout(const httplib::Request& req, int& timeout, httplib::Response& res) const {
    const std::string text = Field(req, "timeout");
    timeout = args_.timeout;
    if (text.empty()) return true;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > 86400) {
      Fail(res, 400, "timeout must be whole seconds from 1 to 86400");
      return false;
    }
    timeout = value;
    return true;
  }

  void Send(httplib::Response& res, const std::string& file, const std::string& name) {
    res.set_content(ReadAll(file), ContentTypeOf(name));
    res.set_header("Content-Disposition", AttachmentOf(name));
  }

  void Convert(const httplib::Request& req, httplib::Response& res) {
    if (req.files.count("file") != 1) return Fail(res, 400, "one part named file is required");
    const httplib::MultipartFormData& file = req.get_file_value("file");
    const std::string name = CleanName(file.filename);
    Ask ask{Field(req, "format"), Field(req, "app"), Field(req, "option")};
    if (ask.format.empty()) ask.format = "pdf";
    if (ask.option.find("TIMEOUT=") != std::string::npos)
      return Fail(res, 400, "give the deadline in the field timeout, not in the option text");
    int timeout = 0;
    if (!Timeout(req, timeout, res)) return;
    Request request;
    Destination d;
    try {
      const App app = ChooseApp(name, ask);
      d = ResolveFormat(ask.format, app);
      if (d.extension.empty())
        throw std::invalid_argument("no extension is known for format " + ask.format + " of " + AppName(app) +
                                    ": give the format by name");
      request.option = OptionFor(app, ask);
    } catch (const std::invalid_argument& e) {
      return Fail(res, 400, e.what());
    }
    const RequestFolder folder(base_);
    const std::string in = folder.Make("in"), out = folder.Make("out");
    request.source = in + "/" + name;
    request.destination = out + "/" + StemOf(name) + d.extension;
    request.format = std::to_string(d.format);
    WriteUpload(request.source, file.content);
    std::string error;
    if (const int status = Run(req, request, timeout, folder, error)) return Fail(res, status, error);

    // One file, or several (slide pictures, a page and its picture folder) in a zip archive.
    std::vector<fs::path> made;
    for (const auto& e : fs::directory_iterator(out)) made.push_back(e.path());
    if (made.size() == 1 && fs::is_regular_file(made[0])) return Send(res, made[0], made[0].filename().string());
    const std::string archive = folder.path() + "/result.zip";
    ZipFolder(out, archive);
    Send(res, archive, StemOf(name) + ".zip");
  }

  // The multipart shape of the widely deployed conversion service: every file part to PDF.
  void Compatible(const httplib::Request& req, httplib::Response& res) {
    std::vector<Part> parts;
    for (const auto& [field, data] : req.files)
      if (!data.filename.empty()) parts.push_back({CleanName(data.filename), &data});
    if (parts.empty()) return Fail(res, 400, "no files were sent (form parts named files)");
    const std::string merge = Field(req, "merge");
    if (merge != "" && merge != "true" && merge != "false") return Fail(res, 400, "merge must be true or false");
    std::vector<std::string> keywords;
    if (const std::string pdfa = Field(req, "pdfa"); !pdfa.empty()) {
      static const std::pair<const char*, const char*> kLevels[] = {
          {"PDF/A-1b", "PDFA=1"}, {"PDF/A-2b", "PDFA=2"}, {"PDF/A-3b", "PDFA=3"}};
      const auto level = std::find_if(std::begin(kLevels), std::end(kLevels),
                                      [&](const auto& l) { return strcasecmp(l.first, pdfa.c_str()) == 0; });
      if (level == std::end(kLevels)) return Fail(res, 400, "pdfa must be PDF/A-1b, PDF/A-2b or PDF/A-3b");
      keywords.push_back(level->second);
    }
    if (const std::string ranges = Field(req, "nativePageRanges"); !ranges.empty()) {
      const auto range = PageRange(ranges);
      if (!range) return Fail(res, 400, "nativePageRanges must be one page or one range of pages (2-5)");
      keywords.push_back("PAGES=" + *range);
    }
    if (const std::string password = Field(req, "password"); !password.empty())
      keywords.push_back(PasswordKeyword(password));
    std::string option;
    for (const std::string& k : keywords) option += (option.empty() ? "" : " ") + k;
    int timeout = 0;
    if (!Timeout(req, timeout, res)) return;

    std::string output = CleanName(req.get_header_value("Gotenberg-Output-Filename"));
    if (output == "document" && !req.has_header("Gotenberg-Output-Filename")) output = note.trace;
    const RequestFolder folder(base_);
    std::vector<std::pair<std::string, std::string>> pdfs;  // path, name in the archive
    for (size_t i = 0; i < parts.size(); ++i) {
      const std::string in = folder.Make("in/" + std::to_string(i)), out = folder.Make("out/" + std::to_string(i));
      const App app = AppOfSource(parts[i].name);
      const Ask ask{"pdf", "", option};
      Request request{in + "/" + parts[i].name, out + "/" + StemOf(parts[i].name) + ".pdf",
                      std::to_string(ResolveFormat("pdf", app).format), OptionFor(app, ask)};
      WriteUpload(request.source, parts[i].data->content);
      std::string error;
      if (const int status = Run(req, request, timeout, folder, error))
        return Fail(res, status, parts[i].name + ": " + error);
      pdfs.emplace_back(request.destination, StemOf(parts[i].name) + ".pdf");
    }
    if (pdfs.size() == 1) return Send(res, pdfs[0].first, output + ".pdf");
    if (merge == "true") {
      // In the order of the files' names, as that service's clients number them.
      std::vector<size_t> order(parts.size());
      for (size_t i = 0; i < order.size(); ++i) order[i] = i;
      std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return parts[a].name < parts[b].name; });
      std::vector<std::string> files;
      for (size_t i : order) files.push_back(pdfs[i].first);
      const std::string merged = folder.path() + "/merged.pdf";
      MergePdfs(files, merged);
      return Send(res, merged, output + ".pdf");
    }
    // Names made unique in the archive.
    for (size_t i = 0; i < pdfs.size(); ++i)
      for (size_t j = 0; j < i; ++j)
        if (pdfs[j].second == pdfs[i].second) {
          pdfs[i].second = StemOf(pdfs[i].second) + "-" + std::to_string(i + 1) + ".pdf";
          j = static_cast<size_t>(-1);
        }
    const std::string archive = folder.path() + "/result.zip";
    ZipFiles(pdfs, archive);
    Send(res, archive, output + ".zip");
  }

  void Health(httplib::Response& res) {
    pool_.HealthAsked();
    const PoolView view = pool_.View();
    bool up = false;
    json workers = json::array();
    for (const WorkerView& w : view.workers) {
      up = up || w.officeAnswers;
      json one = {{"id", w.id}, {"pid", w.pid}, {"state", w.state}, {"office", w.officeAnswers ? "answers" : "does not answer"},
                  {"conversions", w.conversions}};
      if (!w.officeAnswers && !w.lastError.empty()) one["error"] = Clean(w.lastError, {base_ + "/", base_});
      workers.push_back(one);
    }
    if (stopping_) up = false;
    res.status = up ? 200 : 503;
    res.set_content(json{{"status", up ? "up" : "down"}, {"queued", view.queued}, {"workers", workers}}.dump(),
                    "application/json");
  }

  static void Formats(httplib::Response& res) {
    json formats = json::array();
    for (const FormatName& f : FormatNames()) {
      json names = json::array();
      std::stringstream all(f.names);
      for (std::string n; std::getline(all, n, '|');) names.push_back(n);
      auto number = [](const std::optional<int>& n) { return n ? json(*n) : json(nullptr); };
      formats.push_back({{"names", names}, {"extension", f.extension}, {"word", number(f.word)},
                         {"excel", number(f.excel)}, {"powerpoint", number(f.powerpoint)},
                         {"description", f.description}});
    }
    res.set_content(formats.dump(), "application/json");
  }

  void Log(const httplib::Request& req, const httplib::Response& res) {
    const bool ours = note.request == &req;
    const double seconds = ours ? std::chrono::duration<double>(Clock::now() - note.start).count() : 0;
    static const std::set<std::string> kRoutes = {"/convert", "/forms/libreoffice/convert", "/health", "/metrics",
                                                  "/version", "/formats"};
    const std::string route = kRoutes.count(req.path) ? req.path : "other";
    metrics_.Request(route, res.status, seconds);
    char time[80];
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::snprintf(time, sizeof time, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
    json line = {{"time", time},
                 {"trace", ours ? note.trace : req.get_header_value("Gotenberg-Trace")},
                 {"route", route},
                 {"method", req.method},
                 {"status", res.status},
                 {"ms", static_cast<long>(seconds * 1000)},
                 {"bytes_in", BytesIn(req)},
                 {"bytes_out", res.body.size()},
                 {"worker", ours && note.worker ? json(note.worker) : json(nullptr)}};
    const std::string text = line.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
    note = {};
  }

  const ServeArgs args_;
  const std::string base_, token_;
  const size_t maxUpload_;
  std::atomic<bool> stopping_{false};
  Pool pool_;
  Metrics metrics_;
  httplib::Server http_;
};

// "100M", "20k", "1G", "5000" bytes.
size_t ParseSize(const std::string& text) {
  size_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || value == 0) throw std::invalid_argument("--max-upload: not a size: " + text);
  const std::string unit = std::string(end, text.data() + text.size());
  if (unit.empty() || unit == "B") return value;
  if (unit == "k" || unit == "K" || unit == "KB") return value << 10;
  if (unit == "M" || unit == "MB") return value << 20;
  if (unit == "G" || unit == "GB") return value << 30;
  throw std::invalid_argument("--max-upload: not a size: " + text);
}

}  // namespace
}  // namespace serve

int RunServe(const ServeArgs& args) {
  using namespace serve;
  std::string host;
  int port = -1;
  size_t maxUpload = 0;
  std::string token;
  try {
    const size_t colon = args.listen.rfind(':');
    if (colon == std::string::npos) throw std::invalid_argument("--listen: ADDR:PORT, e.g. 127.0.0.1:8080");
    host = args.listen.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    const std::string portText = args.listen.substr(colon + 1);
    const auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (host.empty() || ec != std::errc() || end != portText.data() + portText.size() || port < 0 || port > 65535)
      throw std::invalid_argument("--listen: ADDR:PORT, e.g. 127.0.0.1:8080");
    maxUpload = ParseSize(args.maxUpload);
    if (!args.authTokenFile.empty()) {
      std::ifstream in(args.authTokenFile);
      if (!in) throw std::invalid_argument("--auth-token-file: cannot read " + args.authTokenFile);
      std::getline(in, token);
      while (!token.empty() && std::isspace(static_cast<unsigned char>(token.back()))) token.pop_back();
      if (token.empty()) throw std::invalid_argument("--auth-token-file: the file holds no token");
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quillet: %s\n", e.what());
    return kUsage;
  }
  const size_t workers = args.workers ? args.workers : std::max(1u, std::thread::hardware_concurrency());
  const size_t maxQueue = args.maxQueue ? args.maxQueue : 4 * workers;

  // The requests' folders, the probes and the workers' temporary folders,
  // all in one private folder.
  const char* given = std::getenv("TMPDIR");
  std::string base = std::string(given && *given ? given : "/tmp") + "/quillet-serve-XXXXXX";
  if (!::mkdtemp(base.data())) {
    std::fprintf(stderr, "quillet: no private folder can be made in %s\n", given && *given ? given : "/tmp");
    return kUsage;
  }
  ::setenv("TMPDIR", base.c_str(), 1);

  // SIGTERM and SIGINT are taken by this thread alone, with sigwait.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  ::pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  int status = kOk;
  {
    Server server(args, base, token, workers, maxQueue, maxUpload);
    const int bound = server.Bind(host, port);
    if (bound < 0) {
      std::fprintf(stderr, "quillet: cannot listen on %s\n", args.listen.c_str());
      status = kUsage;
    } else {
      server.StartPool();
      const std::string shown = host.find(':') == std::string::npos ? host : "[" + host + "]";
      std::printf("quillet serve: listening on %s:%d with %zu workers\n", shown.c_str(), bound, workers);
      std::fflush(stdout);
      std::thread listener([&] { server.Listen(); });
      int sig = 0;
      while (::sigwait(&stop, &sig) != 0) {
      }
      std::fprintf(stderr, "quillet serve: stopping (signal %d)\n", sig);
      server.Close();
      // Requests in progress get the drain timeout; then their workers are ended.
      std::mutex m;
      std::condition_variable drained;
      bool done = false;
      std::thread drain([&] {
        std::unique_lock lock(m);
        if (!drained.wait_for(lock, std::chrono::seconds(args.drainTimeout), [&] { return done; }))
          server.KillWorkers();
      });
      listener.join();
      {
        std::lock_guard lock(m);
        done = true;
      }
      drained.notify_all();
      drain.join();
      server.StopPool();
    }
  }
  std::error_code ec;
  fs::remove_all(base, ec);
  return status;
}

}  // namespace quillet::cli
