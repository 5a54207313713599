// How a folder run shows its progress: on a terminal one line redrawn in
// place (a bar, done/total, the current file, time elapsed and remaining)
// with each failure printed above it; elsewhere one plain line per file.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "Records.h"

namespace quillet::cli {

class Progress {
 public:
  // Out: where to write; Terminal: whether it is one.
  Progress(std::FILE* out, bool terminal, size_t total);
  void Started(const std::string& source);
  void Finished(const FileResult& result);
  // The summary line.
  void Done(size_t failed);

 private:
  void Draw();
  std::string Elapsed() const;

  std::FILE* out_;
  bool terminal_;
  size_t total_, done_ = 0;
  std::string current_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// "1:05" for 65 seconds; "1:01:05" from an hour on.
std::string Clock(double seconds);

// The bar line for Done of Total files at Width characters of bar.
std::string BarLine(size_t done, size_t total, const std::string& current, double elapsed, int width);

}  // namespace quillet::cli
