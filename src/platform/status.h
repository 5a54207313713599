// The outcome of a step as a value: success, or a failure's code and text.
// Routines whose callers go on after a failure return a Status; routines
// whose failure ends the request raise Error. The two turn into each other
// without losing the code: Status::Of(error), status.Raise().
//
// Thread-safety: a Status is a value.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/error.h"

namespace quillet {

class [[nodiscard]] Status {
 public:
  // Success.
  Status() = default;
  static Status Ok() { return Status(); }
  // A failure. An empty text would read as success to every caller that
  // only has the text: it becomes "Unknown error".
  Status(ErrorCode code, std::string message, int32_t hresult = 0)
      : failed_(true), code_(code), hresult_(hresult), message_(std::move(message)) {
    if (message_.empty()) message_ = "Unknown error";
  }
  // A failure of no particular kind.
  static Status Failed(std::string message) { return Status(ErrorCode::Failure, std::move(message)); }
  static Status Of(const Error& error) { return Status(error.code(), error.what(), error.hresult()); }
  // The exception being handled (call it inside a catch block): an Error
  // keeps its code; any other exception is a Failure with its what(), and
  // anything else "Unknown error".
  static Status OfCurrentException();

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  // Failure when ok().
  ErrorCode code() const { return code_; }
  int32_t hresult() const { return hresult_; }
  // Empty when ok().
  const std::string& message() const { return message_; }

  // Raises the failure as Error; nothing when ok().
  void RaiseIfFailed() const {
    if (failed_) throw Error(message_, code_, hresult_);
  }

 private:
  bool failed_ = false;
  ErrorCode code_ = ErrorCode::Failure;
  int32_t hresult_ = 0;
  std::string message_;
};

// Runs Step; its failure, of whatever kind, comes back as the Status.
template <class F>
Status Capture(F&& step) {
  try {
    step();
    return Status::Ok();
  } catch (...) {
    return Status::OfCurrentException();
  }
}

}  // namespace quillet
