#include "Server.h"

#include <strings.h>

#include <algorithm>
#include <charconv>
#include <cstring>

#include "AccessLog.h"
#include "RequestFiles.h"
#include "Workers.h"

namespace quillet::cli::serve {

namespace {

using nlohmann::json;

enum class Route { Convert, Compatible, PdfEngines, Health, Metrics, Version, Formats, None };

struct RouteInfo {
  const char* path;
  const char* method;
  Route route;
};
constexpr RouteInfo kRoutes[] = {
    {"/convert", "POST", Route::Convert},
    {"/forms/libreoffice/convert", "POST", Route::Compatible},
    {"/health", "GET", Route::Health},
    {"/metrics", "GET", Route::Metrics},
    {"/version", "GET", Route::Version},
    {"/formats", "GET", Route::Formats},
    {"/forms/pdfengines/merge", "POST", Route::PdfEngines},
    {"/forms/pdfengines/split", "POST", Route::PdfEngines},
    {"/forms/pdfengines/flatten", "POST", Route::PdfEngines},
    {"/forms/pdfengines/metadata/read", "POST", Route::PdfEngines},
    {"/forms/pdfengines/metadata/write", "POST", Route::PdfEngines},
    {"/forms/pdfengines/encrypt", "POST", Route::PdfEngines},
    {"/forms/pdfengines/convert", "POST", Route::PdfEngines},
};

// The route of Path and Method; Known tells whether Path is a route's at all.
Route RouteOf(const std::string& path, const std::string& method, bool& known) {
  known = false;
  for (const RouteInfo& r : kRoutes) {
    if (path != r.path) continue;
    known = true;
    if (method == r.method || (method == "HEAD" && std::strcmp(r.method, "GET") == 0)) return r.route;
  }
  return Route::None;
}

}  // namespace

std::string Dump(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

void Fail(httplib::Response& res, int status, const std::string& error) {
  res.status = status;
  if (status == 429) res.set_header("Retry-After", "2");
  if (status == 503) res.set_header("Retry-After", "5");
  res.set_content(Dump(json{{"status", status}, {"error", error}}), "application/json");
}

void Fail(httplib::Response& res, const Refusal& refusal, const std::string& prefix) {
  // The code comes from the worker's answer: only a word of the library's
  // (lowercase letters) is put into a header, never a byte that could end it.
  const std::string& code = refusal.code;
  const bool word = !code.empty() && code.size() <= 32 &&
                    std::all_of(code.begin(), code.end(), [](char c) { return c >= 'a' && c <= 'z'; });
  if (word) res.set_header("Quillet-Error-Code", code);
  Fail(res, refusal.status, prefix + refusal.error);
}

Server::Server(const ServeArgs& args, Settings settings, PoolSettings pool, const EdgeLimits& edge)
    : args_(args),
      settings_(std::move(settings)),
      pool_(SelfProgram(), std::move(pool)),
      http_(edge),
      webhooks_(settings_.webhooks) {
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
  http_.Post("/convert", [this](const httplib::Request& req, httplib::Response& res,
                                const httplib::ContentReader& reader) { Guarded(req, res, reader, &Server::Convert); });
  http_.Post("/forms/libreoffice/convert",
             [this](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
               Guarded(req, res, reader, &Server::Compatible);
             });
  for (const RouteInfo& r : kRoutes)
    if (r.route == Route::PdfEngines)
      http_.Post(r.path,
                 [this](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
                   Guarded(req, res, reader, &Server::PdfEngines);
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

int Server::Bind(const std::string& host, int port) {
  const int bound = port == 0 ? http_.bind_to_any_port(host) : http_.bind_to_port(host, port) ? port : -1;
  if (bound >= 0) http_.WidenBacklog();
  return bound;
}

void Server::Close() {
  stopping_ = true;
  webhooks_.Close();
  pool_.Close();
  http_.StopListening();
}

// What is decided before a request's body is read: its framing, its route,
// its token, its size. A refused request that carries a body closes its
// connection after the answer.
httplib::Server::HandlerResponse Server::Admit(const httplib::Request& req, httplib::Response& res) {
  using Answer = httplib::Server::HandlerResponse;
  BeginNote(req);
  res.set_header("Gotenberg-Trace", CurrentNote().trace);
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
    if (req.get_header_value_count("Content-Length") != 1 || ec != std::errc() || end != length.data() + length.size())
      return refuse(400, "Content-Length must be one whole number");
  }
  bool known = false;
  const Route route = RouteOf(req.path, req.method, known);
  if (route == Route::None) {
    if (known) return refuse(405, "the route does not take " + req.method);
    return refuse(404, "no such route");
  }
  const bool post = route == Route::Convert || route == Route::Compatible || route == Route::PdfEngines;
  if (!post && body) return refuse(400, "the route takes no body");
  if (route != Route::Health && !settings_.token.Admits(req.get_header_value("Authorization"))) {
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
void Server::Guarded(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader,
                     Handler handler) {
  try {
    (this->*handler)(req, res, reader);
  } catch (const std::exception& e) {
    if (Connection* c = CurrentConnection()) c->CloseAfterAnswer();  // the body may not have been read whole
    Fail(res, 500, WithoutBase(e.what(), settings_.base));
  }
}

void Server::Log(const httplib::Request& req, const httplib::Response& res) {
  const double seconds = Elapsed(req);
  bool known = false;
  RouteOf(req.path, req.method, known);
  const std::string route = known ? req.path : "other";
  metrics_.Request(route, res.status, seconds);
  LogAnswer(req, res, route, seconds);
}

}  // namespace quillet::cli::serve
