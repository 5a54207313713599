#include "platform/status.h"

#include <exception>

namespace quillet {

const char* CodeName(ErrorCode code) {
  switch (code) {
    case ErrorCode::Failure:
      return "failure";
    case ErrorCode::Automation:
      return "automation";
    // A server found gone during a call is the application ended, as its
    // caller sees it.
    case ErrorCode::ServerGone:
      return "applicationended";
    case ErrorCode::NotInstalled:
      return "notinstalled";
    case ErrorCode::InvalidOption:
      return "invalidoption";
    case ErrorCode::FileSystem:
      return "filesystem";
    case ErrorCode::InvalidText:
      return "invalidtext";
    case ErrorCode::InvalidRequest:
      return "invalidrequest";
    case ErrorCode::UnsupportedFormat:
      return "unsupportedformat";
    case ErrorCode::Password:
      return "password";
    case ErrorCode::Corrupt:
      return "corrupt";
    case ErrorCode::Deadline:
      return "deadline";
    case ErrorCode::ApplicationEnded:
      return "applicationended";
    case ErrorCode::FontsMissing:
      return "fontsmissing";
  }
  return "failure";
}

Status Status::OfCurrentException() {
  try {
    throw;
  } catch (const Error& e) {
    return Of(e);
  } catch (const std::exception& e) {
    return Failed(e.what());
  } catch (...) {
    return Failed("Unknown error");
  }
}

}  // namespace quillet
