// The routes that convert nothing: the health check, from what the pool
// knows, and the table of formats. (/metrics and /version are one line each,
// where the routes are set up.)
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
  res.set_content(Dump(json{{"status", up ? "up" : "down"}, {"queued", view.queued}, {"workers", workers}}),
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
