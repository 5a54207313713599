// The failures a member of a stand-in application raises. A Failure becomes a
// described exception of the call (DISP_E_EXCEPTION with the application's
// name as source and the text as description), as the applications report
// theirs; a Code failure is answered with its HRESULT alone.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/com/com.h"

namespace quillet::office {

class Failure : public std::runtime_error {
 public:
  // Code is the exception's scode: E_FAIL, or one of the kinds the converter
  // tells apart (utilities/automation/FailureKinds.h).
  explicit Failure(const std::string& description, HRESULT code = E_FAIL)
      : std::runtime_error(description), code_(code) {}
  HRESULT code() const { return code_; }

 private:
  HRESULT code_;
};

class CodeFailure : public std::runtime_error {
 public:
  explicit CodeFailure(HRESULT code) : std::runtime_error("automation failure"), code_(code) {}
  HRESULT code() const { return code_; }

 private:
  HRESULT code_;
};

}  // namespace quillet::office
