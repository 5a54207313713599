// What a folder run writes about each file: a JSON Lines record (source,
// destination, ok, error, milliseconds) and, for a file that failed, a line
// of the library's own report format.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "Library.h"
#include "Request.h"

namespace quillet::cli {

struct FileResult {
  Request request;
  Outcome outcome;
};

// One line of JSON, without its line end.
std::string JsonRecord(const FileResult& result);

// Collects the failures and writes them as the library's ConvertFolder does
// (a line per failure, time of day first; every line followed by CR LF).
class Report {
 public:
  void Add(const FileResult& result);
  const std::vector<std::string>& lines() const { return lines_; }
  // Raises std::runtime_error when the file cannot be written.
  void Save(const std::string& file) const;

 private:
  std::vector<std::string> lines_;
};

// A JSON Lines file ("-": standard output), each record flushed as it comes.
class JsonLines {
 public:
  // Raises std::runtime_error when the file cannot be made.
  explicit JsonLines(const std::string& file);
  void Add(const FileResult& result);

 private:
  std::ofstream file_;
  bool toStdout_ = false;
};

}  // namespace quillet::cli
