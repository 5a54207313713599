// The server's counters, written in Prometheus' text format.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "Library.h"
#include "Pool.h"

namespace quillet::cli::serve {

class Metrics {
 public:
  void Request(const std::string& route, int status, double seconds);
  void Waited(double seconds);
  // Counts each replaced font by its requested family and whether its
  // substitute has the same metrics. The families come from documents: past
  // kMaxFontFamilies of them, the others count under one label, "(other)".
  void Fonts(const std::vector<SubstitutedFont>& fonts);
  static constexpr size_t kMaxFontFamilies = 256;
  std::string Text(const PoolView& pool) const;

 private:
  struct Histogram {
    std::vector<long> counts;  // per bound, not cumulative; the last is +Inf
    double sum = 0;
    long count = 0;
    void Add(double value);
  };
  mutable std::mutex mutex_;
  std::map<std::pair<std::string, int>, long> requests_;
  std::map<std::string, Histogram> durations_;
  Histogram waits_;
  std::map<std::pair<std::string, bool>, long> fonts_;  // family, same metrics
};

}  // namespace quillet::cli::serve
