// The routes that convert nothing: the health check (GET and HEAD), from
// what the pool knows, and the table of formats. (/metrics and /version are one line each,
// where the routes are set up.)
#include <chrono>
#include <cstdio>
#include <ctime>
#include <sstream>

#include "FormatNames.h"
#include "RequestFiles.h"
#include "Server.h"

namespace quillet::cli::serve {

using nlohmann::json;

namespace {

const char* StateName(WorkerState state) {
  switch (state) {
    case WorkerState::Starting:
      return "starting";
    case WorkerState::Idle:
      return "idle";
    case WorkerState::Busy:
      return "busy";
    case WorkerState::Probing:
      return "probing";
    case WorkerState::Failing:
      return "failing";
    case WorkerState::Stopped:
      return "stopped";
  }
  return "unknown";
}

// The time now as RFC 3339 in UTC, to the millisecond.
std::string UtcNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const long ms =
      static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  char fraction[8];
  std::snprintf(fraction, sizeof fraction, ".%03ldZ", ms);
  return std::string(text) + fraction;
}

}  // namespace

// From what the pool knows: no conversion is started for it. Process ids
// and error texts only for those who hold the token.
void Server::Health(const httplib::Request& req, httplib::Response& res) {
  const bool inside = settings_.token.Admits(req.get_header_value("Authorization"));
  const PoolView view = pool_.View();
  bool up = false;
  json workers = json::array();
  for (const WorkerView& w : view.workers) {
    up = up || w.officeAnswers;
    json one = {{"id", w.id},
                {"state", StateName(w.state)},
                {"office", w.officeAnswers ? "answers" : "does not answer"},
                {"conversions", w.conversions}};
    if (inside) {
      one["pid"] = w.pid;
      if (!w.officeAnswers && !w.lastError.empty()) one["error"] = WithoutBase(w.lastError, settings_.base);
    }
    workers.push_back(one);
  }
  if (stopping_) up = false;
  res.status = up ? 200 : 503;
  // The shape of the widely deployed service's health check (its clients read
  // details.libreoffice), with the pool's own beside it.
  const char* status = up ? "up" : "down";
  const json details = {{"libreoffice", {{"status", status}, {"timestamp", UtcNow()}}}};
  res.set_content(Dump(json{{"status", status}, {"details", details}, {"queued", view.queued}, {"workers", workers}}),
                  "application/json");
}

void Server::Formats(httplib::Response& res) {
  json formats = json::array();
  for (const FormatName& f : FormatNames()) {
    json names = json::array();
    std::stringstream all(f.names);
    for (std::string n; std::getline(all, n, '|');) names.push_back(n);
    auto number = [](const std::optional<int>& n) { return n ? json(*n) : json(nullptr); };
    formats.push_back({{"names", names},
                       {"extension", f.extension},
                       {"word", number(f.word)},
                       {"excel", number(f.excel)},
                       {"powerpoint", number(f.powerpoint)},
                       {"description", f.description}});
  }
  res.set_content(Dump(formats), "application/json");
}

}  // namespace quillet::cli::serve
