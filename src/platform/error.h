// The one exception type of the library: every failure inside is raised as an
// Error carrying its message text and a code that says what kind of failure
// it is. Each layer that can go on catches it and keeps the text as an error
// text (the caller's contract); where the library decides something by the
// kind of a failure, the code decides, never the text.
//
// Thread-safety: an Error is a value; the record of the last caught failure
// (LastCaughtError) is kept per thread.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quillet {

enum class ErrorCode {
  Failure,        // none of the kinds below
  Automation,     // an automation call failed; hresult() says how
  ServerGone,     // an automation call found the application's server gone
  NotInstalled,   // an application, library or object cannot be had
  InvalidOption,  // a keyword of the option string has a malformed value
  FileSystem,     // a file or folder cannot be read, written or made
  InvalidText,    // a text is not in the library's encoding (on Linux: not valid UTF-8)
};

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message, ErrorCode code = ErrorCode::Failure, int32_t hresult = 0)
      : std::runtime_error(message), code_(code), hresult_(hresult) {}

  ErrorCode code() const { return code_; }
  // The automation failure code (an HRESULT); 0 for the other kinds.
  int32_t hresult() const { return hresult_; }

 private:
  ErrorCode code_;
  int32_t hresult_;
};

}  // namespace quillet
