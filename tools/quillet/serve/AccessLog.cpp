#include "AccessLog.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>

#include <nlohmann/json.hpp>

#include "Edge.h"
#include "Server.h"

namespace quillet::cli::serve {

namespace {

thread_local Note note;

std::string NewTrace() {
  thread_local std::mt19937_64 random{std::random_device{}()};
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(random()));
  return text;
}

// UTC to the millisecond: 2026-12-09T19:25:23.423Z.
std::string TimeOf(std::chrono::system_clock::time_point now) {
  char time[80];
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  ::gmtime_r(&t, &tm);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::snprintf(time, sizeof time, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
  return time;
}

}  // namespace

Note& CurrentNote() { return note; }

bool FitTrace(const std::string& trace) {
  return !trace.empty() && trace.size() <= 128 &&
         std::all_of(trace.begin(), trace.end(), [](char c) { return c > 0x20 && c < 0x7f; });
}

void BeginNote(const httplib::Request& req) {
  if (note.request == &req) return;
  const std::string given = req.get_header_value("Gotenberg-Trace");
  note = {&req, FitTrace(given) ? given : NewTrace(), 0, 0, std::chrono::steady_clock::now()};
}

double Elapsed(const httplib::Request& req) {
  return note.request == &req ? std::chrono::duration<double>(std::chrono::steady_clock::now() - note.start).count()
                              : 0;
}

void LogAnswer(const httplib::Request& req, const httplib::Response& res, const std::string& route, double seconds) {
  const bool ours = note.request == &req;
  const Connection* connection = CurrentConnection();
  const nlohmann::json line = {{"time", TimeOf(std::chrono::system_clock::now())},
                               {"trace", ours ? note.trace : ""},
                               {"route", route},
                               {"method", req.method.size() <= 16 ? req.method : req.method.substr(0, 16)},
                               {"status", res.status},
                               {"ms", static_cast<long>(seconds * 1000)},
                               {"bytes_in", connection ? connection->bytesRead() : 0},
                               {"bytes_out", ours && note.bytesOut ? note.bytesOut : res.body.size()},
                               {"worker", ours && note.worker ? nlohmann::json(note.worker) : nlohmann::json(nullptr)}};
  const std::string text = Dump(line) + "\n";
  std::fwrite(text.data(), 1, text.size(), stderr);
  note = {};
}

}  // namespace quillet::cli::serve
