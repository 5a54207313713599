// The server's counters, written in Prometheus' text format.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "Pool.h"

namespace quillet::cli::serve {

class Metrics {
 public:
  void Request(const std::string& route, int status, double seconds);
  void Waited(double seconds);
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
};

}  // namespace quillet::cli::serve
