// The library's entry points as the command line calls them.
#pragma once

#include <string>

#include "Request.h"

namespace quillet::cli {

struct Outcome {
  bool ok = false;
  std::string error;  // empty on success
  long milliseconds = 0;
};

// ConvertSingleFile, timed.
Outcome Convert(const Request& request);

struct Field {
  std::string value, error;
};
// GetFieldValue by its two calls: the length, then the value.
Field GetField(const std::string& name);

}  // namespace quillet::cli
