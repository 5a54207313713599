// quillet serve: the HTTP side. cpp-httplib (Debian's libcpp-httplib) parses
// the requests, on connections that the edge (Edge.h) bounds; each
// conversion waits for a worker of the pool (Pool.h), whose bounded queue
// answers 429 when it is full.
//
// The walls: nothing a client sends becomes part of a path (uploads and
// results have names of the server's own; the client's names only name what
// it reads back); the offices see only their worker's folder and reach no
// network; every resource a request can use has a ceiling; every error before
// a body was read to its end closes the connection.
#include <fcntl.h>
#include <signal.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <nlohmann/json.hpp>

#include "ClientOptions.h"
#include "Commands.h"
#include "Edge.h"
#include "FormatNames.h"
#include "Metrics.h"
#include "Names.h"
#include "Output.h"
#include "Pool.h"
#include "Serve.h"
#include "Uploads.h"
#include "Workers.h"
#include "engine/options/Options.h"
#include "platform/unique_fd.h"
#include "uno/Launcher.h"

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
  uint64_t bytesOut = 0;  // of a result sent from its file
  Clock::time_point start;
};
thread_local Note note;

std::string NewTrace() {
  thread_local std::mt19937_64 random{std::random_device{}()};
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(random()));
  return text;
}

// A client's trace, if it is one that may be echoed and logged.
bool FitTrace(const std::string& trace) {
  return !trace.empty() && trace.size() <= 128 &&
         std::all_of(trace.begin(), trace.end(), [](char c) { return c > 0x20 && c < 0x7f; });
}

std::string Dump(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

void Fail(httplib::Response& res, int status, const std::string& error) {
  res.status = status;
  if (status == 429) res.set_header("Retry-After", "2");
  if (status == 503) res.set_header("Retry-After", "5");
  res.set_content(Dump(json{{"status", status}, {"error", error}}), "application/json");
}

// Text for a client: the server's own paths taken out (each of Paths in
// turn replaced by what stands beside it).
std::string Clean(std::string text, const std::vector<std::pair<std::string, std::string>>& paths) {
  for (const auto& [path, shown] : paths)
    for (size_t at = 0; !path.empty() && (at = text.find(path, at)) != std::string::npos; at += shown.size())
      text.replace(at, path.size(), shown);
  return text;
}

// Whole seconds from 1 to Most; nothing when Text is not such a number.
std::optional<int> Seconds(const std::string& text, int most) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > most) return std::nullopt;
  return value;
}

// A file of a request's folder sent as the answer, read from disk as it goes
// out; the folder lives until the answer has been written.
void SendFile(httplib::Response& res, const std::shared_ptr<RequestFolder>& folder, const std::string& path,
              const std::string& name) {
  auto file = std::make_shared<os::UniqueFd>(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  struct stat st {};
  if (!*file || ::fstat(file->get(), &st) != 0 || !S_ISREG(st.st_mode))
    return Fail(res, 500, "the result cannot be read");
  const size_t size = static_cast<size_t>(st.st_size);
  res.status = 200;
  res.set_content_provider(size, ContentTypeOf(name),
                           [file, folder](size_t offset, size_t length, httplib::DataSink& sink) {
                             char chunk[65536];
                             const ssize_t n = ::pread(file->get(), chunk, std::min(length, sizeof chunk),
                                                       static_cast<off_t>(offset));
                             return n > 0 && sink.write(chunk, static_cast<size_t>(n));
                           });
  res.set_header("Content-Disposition", AttachmentOf(name));
  note.bytesOut = size;
}

enum class Route { Convert, Compatible, Health, Metrics, Version, Formats, None };

struct RouteInfo {
  const char* path;
  const char* method;
  Route route;
};
constexpr RouteInfo kRoutes[] = {
    {"/convert", "POST", Route::Convert},      {"/forms/libreoffice/convert", "POST", Route::Compatible},
    {"/health", "GET", Route::Health},         {"/metrics", "GET", Route::Metrics},
    {"/version", "GET", Route::Version},       {"/formats", "GET", Route::Formats},
};

struct Settings {
  std::string base, token;
  uint64_t maxUpload = 0;
  FormLimits form;
};

class Server {
 public:
  Server(const ServeArgs& args, Settings settings, PoolSettings pool, const EdgeLimits& edge)
      : args_(args), settings_(std::move(settings)), pool_(SelfProgram(), std::move(pool)), http_(edge) {
    http_.set_keep_alive_timeout(2);
    // An answer is written as its head, then its body: without this the body
    // waits for the client's delayed acknowledgement of the head (40 ms).
    http_.set_tcp_nodelay(true);
    http_.set_expect_100_continue_handler([this](const httplib::Request& req, httplib::Response& res) {
      return Admit(req, res) == httplib::Server::HandlerResponse::Handled ? res.status : 100;
    });
    http_.set_pre_routing_handler(
        [this](const httplib::Request& req, httplib::Response& res) { return Admit(req, res); });
    http_.set_error_handler([this](const httplib::Request&, httplib::Response& res) {
      const Connection* c = CurrentConnection();
      if (c && c->pastDeadline()) return Fail(res, 408, "the request was not sent in time");
      if (!res.body.empty() || res.has_header("Content-Disposition")) return;
      if (res.status == 413)
        Fail(res, 413, "the request is larger than " + std::to_string(settings_.maxUpload) + " bytes");
      else if (res.status == 404)
        Fail(res, 404, "no such route");
      else
        Fail(res, res.status, "the request cannot be served");
    });
    // An answer whose request's body was not read to its end says that the
    // connection closes after it.
    http_.set_post_routing_handler([](const httplib::Request&, httplib::Response& res) {
      if (const Connection* c = CurrentConnection(); c && c->closing()) {
        res.headers.erase("Keep-Alive");
        res.headers.erase("Connection");
        res.headers.emplace("Connection", "close");
      }
    });
    http_.set_logger([this](const httplib::Request& req, const httplib::Response& res) { Log(req, res); });
    http_.Post("/convert",
               [this](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
                 Guarded(req, res, reader, &Server::Convert);
               });
    http_.Post("/forms/libreoffice/convert",
               [this](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
                 Guarded(req, res, reader, &Server::Compatible);
               });
    http_.Get("/health", [this](const httplib::Request& req, httplib::Response& res) { Health(req, res); });
    http_.Get("/metrics", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(metrics_.Text(pool_.View()), "text/plain; version=0.0.4");
    });
    http_.Get("/version", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(Dump(json{{"name", "quillet"}, {"version", QUILLET_SERVE_VERSION}}), "application/json");
    });
    http_.Get("/formats", [](const httplib::Request&, httplib::Response& res) { Formats(res); });
  }

  // Binds; returns the port, or -1.
  int Bind(const std::string& host, int port) {
    const int bound = port == 0 ? http_.bind_to_any_port(host) : http_.bind_to_port(host, port) ? port : -1;
    if (bound >= 0) http_.WidenBacklog();
    return bound;
  }
  void StartPool() { pool_.Start(); }
  bool Listen() { return http_.listen_after_bind(); }
  // Takes no more work; the requests being served go on.
  void Close() {
    stopping_ = true;
    pool_.Close();
    http_.StopListening();
  }
  void KillWorkers() { pool_.Kill(); }
  void StopPool() { pool_.Stop(); }

 private:
  using Handler = void (Server::*)(const httplib::Request&, httplib::Response&, const httplib::ContentReader&);

  static Route RouteOf(const std::string& path, const std::string& method, bool& known) {
    known = false;
    for (const RouteInfo& r : kRoutes) {
      if (path != r.path) continue;
      known = true;
      if (method == r.method || (method == "HEAD" && std::strcmp(r.method, "GET") == 0)) return r.route;
    }
    return Route::None;
  }

  // What is decided before a request's body is read: its framing, its route,
  // its token, its size. A refused request that carries a body closes its
  // connection after the answer.
  httplib::Server::HandlerResponse Admit(const httplib::Request& req, httplib::Response& res) {
    using Answer = httplib::Server::HandlerResponse;
    if (note.request != &req) {
      const std::string given = req.get_header_value("Gotenberg-Trace");
      note = {&req, FitTrace(given) ? given : NewTrace(), 0, 0, Clock::now()};
    }
    res.set_header("Gotenberg-Trace", note.trace);
    const bool chunked = req.has_header("Transfer-Encoding");
    const std::string length = req.get_header_value("Content-Length");
    // (httplib reads a body of these methods up to the connection's end when
    // nothing gives its length.)
    const bool bodyless = req.method == "GET" || req.method == "HEAD" || req.method == "OPTIONS";
    const bool body = chunked || (req.has_header("Content-Length") ? length != "0" : !bodyless);
    auto refuse = [&](int status, const std::string& error) {
      if (Connection* c = CurrentConnection(); c && body) c->CloseAfterAnswer();
      Fail(res, status, error);
      return Answer::Handled;
    };
    if (chunked && req.has_header("Content-Length"))
      return refuse(400, "a request may not have both Transfer-Encoding and Content-Length");
    if (chunked && (req.get_header_value_count("Transfer-Encoding") != 1 ||
                    strcasecmp(req.get_header_value("Transfer-Encoding").c_str(), "chunked") != 0))
      return refuse(400, "the only transfer coding taken is chunked");
    uint64_t declared = 0;
    if (req.has_header("Content-Length")) {
      const auto [end, ec] = std::from_chars(length.data(), length.data() + length.size(), declared);
      if (req.get_header_value_count("Content-Length") != 1 || ec != std::errc() ||
          end != length.data() + length.size())
        return refuse(400, "Content-Length must be one whole number");
    }
    bool known = false;
    const Route route = RouteOf(req.path, req.method, known);
    if (route == Route::None) {
      if (known) return refuse(405, "the route does not take " + req.method);
      return refuse(404, "no such route");
    }
    const bool post = route == Route::Convert || route == Route::Compatible;
    if (!post && body) return refuse(400, "the route takes no body");
    if (route != Route::Health && !Authorized(req)) {
      res.set_header("WWW-Authenticate", "Bearer");
      return refuse(401, "a valid token is required (Authorization: Bearer <token>)");
    }
    if (!post) return Answer::Unhandled;
    if (!chunked && !req.has_header("Content-Length")) return refuse(411, "the body needs a Content-Length, or chunks");
    if (declared > settings_.maxUpload)
      return refuse(413, "the request is larger than " + std::to_string(settings_.maxUpload) + " bytes");
    if (!req.is_multipart_form_data()) return refuse(400, "the body must be multipart/form-data");
    return Answer::Unhandled;
  }

  // Nothing escapes a handler: what is not answered otherwise is a 500.
  void Guarded(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader,
               Handler handler) {
    try {
      (this->*handler)(req, res, reader);
    } catch (const std::exception& e) {
      if (Connection* c = CurrentConnection()) c->CloseAfterAnswer();  // the body may not have been read whole
      Fail(res, 500, Clean(e.what(), {{settings_.base + "/", ""}, {settings_.base, ""}}));
    }
  }

  bool Authorized(const httplib::Request& req) const {
    if (settings_.token.empty()) return true;
    const std::string given = req.get_header_value("Authorization");
    const std::string wanted = "Bearer " + settings_.token;
    unsigned char differ = given.size() != wanted.size();
    for (size_t i = 0; i < wanted.size(); ++i)
      differ |= static_cast<unsigned char>(wanted[i] ^ (i < given.size() ? given[i] : 0));
    return differ == 0;
  }

  // Reads the form; false (answered) when it was refused.
  bool Read(const httplib::ContentReader& reader, const RequestFolder& folder, Form& form,
            httplib::Response& res) const {
    const FormRefusal refusal = ReadForm(reader, folder, settings_.form, form);
    if (refusal.status == 0) return true;
    if (Connection* c = CurrentConnection()) c->CloseAfterAnswer();
    Fail(res, refusal.status, refusal.error);
    return false;
  }

  // The deadline field: whole seconds, 1 to the server's own.
  bool Timeout(const Form& form, int& timeout, httplib::Response& res) const {
    timeout = args_.timeout;
    const std::string text = form.Field("timeout");
    if (text.empty()) return true;
    const std::optional<int> value = Seconds(text, args_.timeout);
    if (!value) {
      Fail(res, 400, "timeout must be whole seconds from 1 to " + std::to_string(args_.timeout));
      return false;
    }
    timeout = *value;
    return true;
  }

  // The client's option text as the library gets it.
  std::string Option(const std::string& text) const {
    if (!args_.allowAnyOption) return ClientOption(text);
    if (text.find(options::kTimeout) != std::string::npos)
      throw std::invalid_argument("give the deadline in the field timeout, not in the option text");
    return text;
  }

  // Converts Upload through the pool; 0 when done, else the status with
  // Error set.
  int Run(const Upload& upload, Request request, int timeout, std::string& error) {
    request.option = "TIMEOUT=" + std::to_string(timeout) + (request.option.empty() ? "" : " " + request.option);
    auto job = std::make_shared<Job>();
    job->request = std::move(request);
    job->folder = upload.folder;
    job->timeout = timeout;
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
    const Connection* connection = CurrentConnection();
    if (!pool_.Wait(job, [connection] { return connection && connection->ClientGone(); })) {
      error = "the client went away";
      return 499;
    }
    note.worker = std::max(job->worker, 0);
    metrics_.Waited(job->waitedSeconds);
    const Outcome& o = job->outcome;
    if (o.ok) return 0;
    // The library names the files as the worker saw them: the upload by
    // the client's name, the rest without the server's folders.
    const std::string source = upload.source().substr(upload.folder.size());  // "/in/source.ext"
    error = Clean(o.error, {{job->inside + source, upload.name},
                            {upload.source(), upload.name},
                            {job->inside + "/out/", ""},
                            {job->inside + "/", ""},
                            {upload.results() + "/", ""},
                            {upload.folder + "/", ""},
                            {settings_.base + "/", ""},
                            {settings_.base, ""}});
    switch (o.failure) {
      case Failure::None:
      case Failure::Document: return 422;
      case Failure::Deadline: return 504;
      case Failure::Memory:
      case Failure::ResultSize: return 422;
      case Failure::OfficeEnded:
      case Failure::Worker: return 503;
      case Failure::Refused: return 500;
    }
    return 500;
  }

  void Convert(const httplib::Request&, httplib::Response& res, const httplib::ContentReader& reader) {
    const auto folder = std::make_shared<RequestFolder>(settings_.base);
    Form form;
    if (!Read(reader, *folder, form, res)) return;
    if (form.files.size() != 1 || form.files[0].field != "file")
      return Fail(res, 400, "one part named file is required");
    const Upload& upload = form.files[0];
    Ask ask{form.Field("format"), form.Field("app"), ""};
    if (ask.format.empty()) ask.format = "pdf";
    int timeout = 0;
    Request request;
    Destination d;
    try {
      ask.option = Option(form.Field("option"));
      if (!Timeout(form, timeout, res)) return;
      const App app = ChooseApp(upload.name, ask);
      d = ResolveFormat(ask.format, app);
      if (d.extension.empty())
        throw std::invalid_argument("no extension is known for format " + ask.format + " of " + AppName(app) +
                                    ": give the format by name");
      request.option = OptionFor(app, ask);
    } catch (const std::invalid_argument& e) {
      return Fail(res, 400, e.what());
    }
    request.source = upload.source();
    request.destination = upload.results() + "/result" + d.extension;
    request.format = std::to_string(d.format);
    std::string error;
    if (const int status = Run(upload, request, timeout, error)) return Fail(res, status, error);

    // One file, or several (slide pictures, a page and its pictures) in a
    // zip archive, named after the client's file.
    const std::string stem = StemOf(upload.name);
    std::vector<std::pair<std::string, std::string>> made = ResultsIn(upload.results());
    if (made.empty()) return Fail(res, 500, "the conversion reported success but wrote no result");
    if (made.size() == 1 && made[0].second.find('/') == std::string::npos)
      return SendFile(res, folder, made[0].first, ClientNameOf(made[0].second, "result", stem));
    for (auto& [path, name] : made) name = ClientNameOf(name, "result", stem);
    const std::string archive = folder->path() + "/result.zip";
    ZipFiles(made, archive);
    SendFile(res, folder, archive, stem + ".zip");
  }

  // The multipart shape of the widely deployed conversion service: every file part to PDF.
  void Compatible(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
    const auto folder = std::make_shared<RequestFolder>(settings_.base);
    Form form;
    if (!Read(reader, *folder, form, res)) return;
    if (form.files.empty()) return Fail(res, 400, "no files were sent (form parts named files)");
    const std::string merge = form.Field("merge");
    if (merge != "" && merge != "true" && merge != "false") return Fail(res, 400, "merge must be true or false");
    std::vector<std::string> keywords;
    if (const std::string pdfa = form.Field("pdfa"); !pdfa.empty()) {
      static const std::pair<const char*, const char*> kLevels[] = {
          {"PDF/A-1b", "PDFA=1"}, {"PDF/A-2b", "PDFA=2"}, {"PDF/A-3b", "PDFA=3"}};
      const auto level = std::find_if(std::begin(kLevels), std::end(kLevels),
                                      [&](const auto& l) { return strcasecmp(l.first, pdfa.c_str()) == 0; });
      if (level == std::end(kLevels)) return Fail(res, 400, "pdfa must be PDF/A-1b, PDF/A-2b or PDF/A-3b");
      keywords.push_back(level->second);
    }
    if (const std::string ranges = form.Field("nativePageRanges"); !ranges.empty()) {
      const auto range = PageRange(ranges);
      if (!range) return Fail(res, 400, "nativePageRanges must be one page or one range of pages (2-5)");
      keywords.push_back("PAGES=" + *range);
    }
    if (const std::string password = form.Field("password"); !password.empty())
      keywords.push_back(options::QuotePasswordKeyword(password));
    std::string option;
    for (const std::string& k : keywords) option += (option.empty() ? "" : " ") + k;
    int timeout = 0;
    if (!Timeout(form, timeout, res)) return;

    std::string output = CleanName(req.get_header_value("Gotenberg-Output-Filename"));
    if (output == "document" && !req.has_header("Gotenberg-Output-Filename")) output = note.trace;
    std::vector<std::pair<std::string, std::string>> pdfs;  // path, name in the archive
    const Connection* connection = CurrentConnection();
    for (const Upload& upload : form.files) {
      if (connection && connection->ClientGone()) return Fail(res, 499, "the client went away");
      const App app = AppOfSource(upload.name);
      const Ask ask{"pdf", "", option};
      const Request request{upload.source(), upload.results() + "/result.pdf",
                            std::to_string(ResolveFormat("pdf", app).format), OptionFor(app, ask)};
      std::string error;
      if (const int status = Run(upload, request, timeout, error)) return Fail(res, status, upload.name + ": " + error);
      const std::vector<std::pair<std::string, std::string>> made = ResultsIn(upload.results());
      if (made.size() != 1 || made[0].second != "result.pdf")
        return Fail(res, 500, upload.name + ": the conversion reported success but wrote no PDF");
      pdfs.emplace_back(made[0].first, StemOf(upload.name) + ".pdf");
    }
    if (pdfs.size() == 1) return SendFile(res, folder, pdfs[0].first, output + ".pdf");
    if (merge == "true") {
      // In the order of the files' names, as that service's clients number them.
      std::vector<size_t> order(pdfs.size());
      for (size_t i = 0; i < order.size(); ++i) order[i] = i;
      std::stable_sort(order.begin(), order.end(),
                       [&](size_t a, size_t b) { return form.files[a].name < form.files[b].name; });
      std::vector<std::string> files;
      for (size_t i : order) files.push_back(pdfs[i].first);
      const std::string merged = folder->path() + "/merged.pdf";
      MergePdfs(files, merged);
      return SendFile(res, folder, merged, output + ".pdf");
    }
    // Names made unique in the archive.
    for (size_t i = 0; i < pdfs.size(); ++i)
      for (size_t j = 0; j < i; ++j)
        if (pdfs[j].second == pdfs[i].second) {
          pdfs[i].second = StemOf(pdfs[i].second) + "-" + std::to_string(i + 1) + ".pdf";
          j = static_cast<size_t>(-1);
        }
    const std::string archive = folder->path() + "/result.zip";
    ZipFiles(pdfs, archive);
    SendFile(res, folder, archive, output + ".zip");
  }

  // From what the pool knows: no conversion is started for it. Process ids
  // and error texts only for those who hold the token.
  void Health(const httplib::Request& req, httplib::Response& res) {
    const bool inside = Authorized(req);
    const PoolView view = pool_.View();
    bool up = false;
    json workers = json::array();
    for (const WorkerView& w : view.workers) {
      up = up || w.officeAnswers;
      json one = {{"id", w.id}, {"state", w.state}, {"office", w.officeAnswers ? "answers" : "does not answer"},
                  {"conversions", w.conversions}};
      if (inside) {
        one["pid"] = w.pid;
        if (!w.officeAnswers && !w.lastError.empty())
          one["error"] = Clean(w.lastError, {{settings_.base + "/", ""}, {settings_.base, ""}});
      }
      workers.push_back(one);
    }
    if (stopping_) up = false;
    res.status = up ? 200 : 503;
    res.set_content(Dump(json{{"status", up ? "up" : "down"}, {"queued", view.queued}, {"workers", workers}}),
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
    res.set_content(Dump(formats), "application/json");
  }

  void Log(const httplib::Request& req, const httplib::Response& res) {
    const bool ours = note.request == &req;
    const double seconds = ours ? std::chrono::duration<double>(Clock::now() - note.start).count() : 0;
    bool known = false;
    RouteOf(req.path, req.method, known);
    const std::string route = known ? req.path : "other";
    metrics_.Request(route, res.status, seconds);
    char time[80];
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::snprintf(time, sizeof time, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
    const Connection* connection = CurrentConnection();
    json line = {{"time", time},
                 {"trace", ours ? note.trace : ""},
                 {"route", route},
                 {"method", req.method.size() <= 16 ? req.method : req.method.substr(0, 16)},
                 {"status", res.status},
                 {"ms", static_cast<long>(seconds * 1000)},
                 {"bytes_in", connection ? connection->bytesRead() : 0},
                 {"bytes_out", ours && note.bytesOut ? note.bytesOut : res.body.size()},
                 {"worker", ours && note.worker ? json(note.worker) : json(nullptr)}};
    const std::string text = Dump(line) + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
    note = {};
  }

  const ServeArgs args_;
  const Settings settings_;
  std::atomic<bool> stopping_{false};
  Pool pool_;
  Metrics metrics_;
  EdgeServer http_;
};

// "100M", "20k", "1G", "5000" bytes.
uint64_t ParseSize(const std::string& option, const std::string& text) {
  uint64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || value == 0) throw std::invalid_argument(option + ": not a size: " + text);
  const std::string unit = std::string(end, text.data() + text.size());
  int shift = -1;
  if (unit.empty() || unit == "B") shift = 0;
  if (unit == "k" || unit == "K" || unit == "KB") shift = 10;
  if (unit == "M" || unit == "MB") shift = 20;
  if (unit == "G" || unit == "GB") shift = 30;
  if (shift < 0 || value > (uint64_t(1) << 50) >> shift) throw std::invalid_argument(option + ": not a size: " + text);
  return value << shift;
}

bool Loopback(const std::string& host) {
  return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

}  // namespace
}  // namespace serve

int RunServe(const ServeArgs& args) {
  using namespace serve;
  std::string host;
  int port = -1;
  Settings settings;
  PoolSettings pool;
  try {
    const size_t colon = args.listen.rfind(':');
    if (colon == std::string::npos) throw std::invalid_argument("--listen: ADDR:PORT, e.g. 127.0.0.1:8080");
    host = args.listen.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    const std::string portText = args.listen.substr(colon + 1);
    const auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (host.empty() || ec != std::errc() || end != portText.data() + portText.size() || port < 0 || port > 65535)
      throw std::invalid_argument("--listen: ADDR:PORT, e.g. 127.0.0.1:8080");
    settings.maxUpload = ParseSize("--max-upload", args.maxUpload);
    pool.ceilings.memoryBytes = ParseSize("--max-office-memory", args.maxOfficeMemory);
    pool.ceilings.resultBytes = ParseSize("--max-result", args.maxResult);
    if (!args.authTokenFile.empty()) {
      std::ifstream in(args.authTokenFile);
      if (!in) throw std::invalid_argument("--auth-token-file: cannot read " + args.authTokenFile);
      std::getline(in, settings.token);
      while (!settings.token.empty() && std::isspace(static_cast<unsigned char>(settings.token.back())))
        settings.token.pop_back();
      if (settings.token.empty()) throw std::invalid_argument("--auth-token-file: the file holds no token");
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quillet: %s\n", e.what());
    return kUsage;
  }

  // The offices' walls: operating-system isolation where the system allows it.
  std::string why;
  const bool isolated = args.sandbox != "off" && office::uno::OfficeIsolationWorks(why);
  if (args.sandbox == "on" && !isolated) {
    std::fprintf(stderr, "quillet: --sandbox on: the offices cannot be isolated: %s\n", why.c_str());
    return kUsage;
  }
  if (!isolated && args.sandbox != "off")
    std::fprintf(stderr,
                 "quillet serve: warning: the offices run without operating-system isolation (%s): only "
                 "LibreOffice's own settings keep them from the network and from other files; deny the "
                 "server's egress in the network (the Kubernetes manifests carry a NetworkPolicy)\n",
                 why.c_str());
  if (settings.token.empty() && !Loopback(host))
    std::fprintf(stderr,
                 "quillet serve: warning: listening on %s without --auth-token-file: anyone who can reach this "
                 "port can convert documents\n",
                 host.c_str());

  pool.workers = args.workers ? args.workers : std::max(1u, std::thread::hardware_concurrency());
  pool.maxQueue = args.maxQueue ? args.maxQueue : 4 * pool.workers;
  pool.setup = WorkerSetup{true, true, isolated};
  pool.probeEvery = std::chrono::seconds(args.probeEvery);
  if (const char* recycle = std::getenv("QUILLET_OFFICE_RECYCLE_DOCUMENTS"); recycle && std::atol(recycle) > 0)
    pool.recycleAfter = std::atol(recycle);
  settings.form.bytes = settings.maxUpload;
  settings.form.files = args.maxFiles;
  EdgeLimits edge;
  edge.maxConnections = args.maxConnections;
  edge.request = std::chrono::seconds(args.readTimeout);
  edge.headers = std::min(edge.headers, edge.request);
  // The body with its framing (chunk sizes, part headers) and the headers.
  edge.maxRequestBytes = 2 * settings.maxUpload + (1u << 20);

  // The requests' folders and the workers' folders (with their offices'
  // pipes), all in one private folder.
  const char* given = std::getenv("TMPDIR");
  settings.base = std::string(given && *given ? given : "/tmp") + "/quillet-serve-XXXXXX";
  if (!::mkdtemp(settings.base.data())) {
    std::fprintf(stderr, "quillet: no private folder can be made in %s\n", given && *given ? given : "/tmp");
    return kUsage;
  }
  ::setenv("TMPDIR", settings.base.c_str(), 1);

  // SIGTERM and SIGINT are taken by this thread alone, with sigwait.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  ::pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  int status = kOk;
  {
    Server server(args, settings, pool, edge);
    const int bound = server.Bind(host, port);
    if (bound < 0) {
      std::fprintf(stderr, "quillet: cannot listen on %s\n", args.listen.c_str());
      status = kUsage;
    } else {
      server.StartPool();
      const std::string shown = host.find(':') == std::string::npos ? host : "[" + host + "]";
      std::printf("quillet serve: listening on %s:%d with %zu workers\n", shown.c_str(), bound, pool.workers);
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
      // Each worker gives its office back, and is waited for.
      server.StopPool();
    }
  }
  std::error_code ec;
  fs::remove_all(settings.base, ec);
  return status;
}

}  // namespace quillet::cli
