// The one exception type of the library: every failure inside is raised as an
// Error carrying its message text and a code that says what kind of failure
// it is. A routine that goes on after a failure keeps it as a Status
// (platform/status.h), code and text together; where the library decides
// something by the kind of a failure, the code decides, never the text. The
// text is made into the caller's error text only at the boundary.
//
// Thread-safety: an Error is a value.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quillet {

enum class ErrorCode {
  Failure,            // none of the kinds below
  Automation,         // an automation call failed; hresult() says how
  ServerGone,         // an automation call found the application's server gone
  NotInstalled,       // an application, library or object cannot be had
  InvalidOption,      // a keyword of the option string has a malformed value
  FileSystem,         // a file or folder cannot be read, written or made
  InvalidText,        // a text is not in the library's encoding (on Linux: not valid UTF-8)
  InvalidRequest,     // the source is missing, the destination's folder is missing, or it is the source
  UnsupportedFormat,  // the format is unknown, or not one the application can open or save
  Password,           // the source is protected and the password is missing or wrong
  Corrupt,            // the source is no document the application can open
  Deadline,           // the document took longer than its deadline
  ApplicationEnded,   // the application ended during the conversion
  FontsMissing,       // STRICTFONTS: a font of the document would be replaced by one of other metrics
};

// The code as callers outside the library read it (GetFieldValue
// "errorcode"): one lowercase word, stable across versions.
const char* CodeName(ErrorCode code);

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
