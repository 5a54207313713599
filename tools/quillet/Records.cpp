#include "Records.h"

#include <cstdio>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "exports/SaveReport.h"
#include "platform/clock.h"
#include "utilities/ConversionLines.h"

namespace quillet::cli {

std::string JsonRecord(const FileResult& r) {
  nlohmann::ordered_json fonts = nlohmann::ordered_json::array();
  for (const SubstitutedFont& font : r.outcome.fonts)
    fonts.push_back({{"requested", font.requested}, {"used", font.used}, {"same_metrics", font.sameMetrics}});
  nlohmann::ordered_json record = {
      {"source", r.request.source}, {"destination", r.request.destination},   {"ok", r.outcome.ok},
      {"error", r.outcome.error},   {"milliseconds", r.outcome.milliseconds}, {"substituted_fonts", fonts},
  };
  // The library's kind of the failure, for programs that act on it.
  if (!r.outcome.ok) record["code"] = r.outcome.code;
  // Paths and texts that are not UTF-8 are kept readable rather than refused.
  return record.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

void Report::Add(const FileResult& r) {
  if (r.outcome.ok) return;
  lines_.push_back(FailureLine(os::LocalTimeOfDay(), r.request.source, r.request.destination, r.outcome.error));
}

void Report::Save(const std::string& file) const {
  std::string text;
  for (const std::string& line : lines_) text += (text.empty() ? "" : "\r\n") + line;
  bool saved = false;
  try {
    saved = SaveReport(file, text);
  } catch (const std::exception& e) {
    throw std::runtime_error("the report " + file + " cannot be written: " + e.what());
  }
  if (!saved) throw std::runtime_error("the report " + file + " cannot be written");
}

JsonLines::JsonLines(const std::string& file) : toStdout_(file == "-") {
  if (toStdout_) return;
  file_.open(file, std::ios::trunc);
  if (!file_) throw std::runtime_error("the JSON file " + file + " cannot be written");
}

void JsonLines::Add(const FileResult& r) {
  const std::string line = JsonRecord(r) + "\n";
  if (toStdout_) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
  } else {
    file_ << line << std::flush;
  }
}

}  // namespace quillet::cli
