#include "Metrics.h"

#include <cstdio>
#include <set>

namespace quillet::cli::serve {

namespace {

constexpr double kBounds[] = {0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10, 30, 60, 120};

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

void Write(std::string& out, const std::string& name, const std::string& labels, const std::vector<long>& counts,
           double sum, long count) {
  long cumulative = 0;
  const std::string prefix = labels.empty() ? "" : labels + ",";
  for (size_t i = 0; i < std::size(kBounds); ++i) {
    cumulative += i < counts.size() ? counts[i] : 0;
    out += name + "_bucket{" + prefix + "le=\"" + Number(kBounds[i]) + "\"} " + std::to_string(cumulative) + "\n";
  }
  out += name + "_bucket{" + prefix + "le=\"+Inf\"} " + std::to_string(count) + "\n";
  const std::string braces = labels.empty() ? "" : "{" + labels + "}";
  out += name + "_sum" + braces + " " + Number(sum) + "\n";
  out += name + "_count" + braces + " " + std::to_string(count) + "\n";
}

// A label's value as Prometheus' text format writes it.
std::string LabelValue(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

}  // namespace

void Metrics::Histogram::Add(double value) {
  if (counts.empty()) counts.assign(std::size(kBounds) + 1, 0);
  size_t i = 0;
  while (i < std::size(kBounds) && value > kBounds[i]) ++i;
  ++counts[i];
  sum += value;
  ++count;
}

void Metrics::Request(const std::string& route, int status, double seconds) {
  std::lock_guard lock(mutex_);
  ++requests_[{route, status}];
  durations_[route].Add(seconds);
}

void Metrics::Waited(double seconds) {
  std::lock_guard lock(mutex_);
  waits_.Add(seconds);
}

void Metrics::Fonts(const std::vector<SubstitutedFont>& fonts) {
  std::lock_guard lock(mutex_);
  std::set<std::string> families;
  for (const auto& [key, n] : fonts_) families.insert(key.first);
  for (const SubstitutedFont& font : fonts) {
    const bool known = families.count(font.requested) != 0;
    const std::string family = known || families.size() < kMaxFontFamilies ? font.requested : "(other)";
    families.insert(family);
    ++fonts_[{family, font.sameMetrics}];
  }
}

std::string Metrics::Text(const PoolView& pool) const {
  std::lock_guard lock(mutex_);
  std::string out;
  out += "# HELP quillet_requests_total Requests answered, by route and status code.\n";
  out += "# TYPE quillet_requests_total counter\n";
  for (const auto& [key, n] : requests_)
    out += "quillet_requests_total{route=\"" + key.first + "\",code=\"" + std::to_string(key.second) + "\"} " +
           std::to_string(n) + "\n";
  out += "# HELP quillet_request_duration_seconds Time from a request's arrival to its answer.\n";
  out += "# TYPE quillet_request_duration_seconds histogram\n";
  for (const auto& [route, h] : durations_)
    Write(out, "quillet_request_duration_seconds", "route=\"" + route + "\"", h.counts, h.sum, h.count);
  out += "# HELP quillet_queue_wait_seconds Time a conversion waited in the queue for a worker.\n";
  out += "# TYPE quillet_queue_wait_seconds histogram\n";
  Write(out, "quillet_queue_wait_seconds", "", waits_.counts, waits_.sum, waits_.count);
  out += "# HELP quillet_queue_depth Conversions waiting for a worker.\n# TYPE quillet_queue_depth gauge\n";
  out += "quillet_queue_depth " + std::to_string(pool.queued) + "\n";
  out += "# HELP quillet_workers Worker processes.\n# TYPE quillet_workers gauge\n";
  out += "quillet_workers " + std::to_string(pool.workers.size()) + "\n";
  out += "# HELP quillet_workers_busy Workers converting a request.\n# TYPE quillet_workers_busy gauge\n";
  out += "quillet_workers_busy " + std::to_string(pool.busy) + "\n";
  out += "# HELP quillet_office_restarts_total Worker processes replaced and offices ended past a deadline.\n";
  out += "# TYPE quillet_office_restarts_total counter\n";
  out += "quillet_office_restarts_total " + std::to_string(pool.restarts) + "\n";
  out +=
      "# HELP quillet_substituted_fonts_total Fonts documents named that were replaced, by requested family\n"
      "# and whether the substitute has the same metrics.\n";
  out += "# TYPE quillet_substituted_fonts_total counter\n";
  for (const auto& [key, n] : fonts_)
    out += "quillet_substituted_fonts_total{requested=\"" + LabelValue(key.first) + "\",metrics=\"" +
           (key.second ? "same" : "other") + "\"} " + std::to_string(n) + "\n";
  return out;
}

}  // namespace quillet::cli::serve
