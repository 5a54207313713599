// The library's entry points as the command line calls them.
#pragma once

#include <string>

#include "Request.h"

namespace quillet::cli {

// Why a conversion failed, as far as those who run it can tell.
enum class Failure {
  None,
  Document,     // the library's text says why (the document, the request)
  Deadline,     // the document took longer than its deadline
  OfficeEnded,  // the office ended under it (it crashed, or was killed)
  Memory,       // the office passed its memory ceiling and was ended
  ResultSize,   // the results passed their size ceiling
  Refused,      // a path lay outside the request's folder: nothing was converted
  Worker,       // the worker process died or did not answer in time
};

struct Outcome {
  bool ok = false;
  std::string error;  // empty on success
  long milliseconds = 0;
  Failure failure = Failure::None;
};

// ConvertSingleFile, timed.
Outcome Convert(const Request& request);

struct Field {
  std::string value, error;
};
// GetFieldValue by its two calls: the length, then the value.
Field GetField(const std::string& name);

}  // namespace quillet::cli
