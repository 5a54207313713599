#include "utilities/Guarded.h"

namespace quillet {

namespace {

thread_local ErrorCode lastCaught = ErrorCode::Failure;

}  // namespace

std::string CurrentErrorMessage() {
  lastCaught = ErrorCode::Failure;
  try {
    throw;
  } catch (const Error& e) {
    lastCaught = e.code();
    const std::string text = e.what();
    return text.empty() ? "Unknown error" : text;
  } catch (const std::exception& e) {
    const std::string text = e.what();
    return text.empty() ? "Unknown error" : text;
  } catch (...) {
    return "Unknown error";
  }
}

ErrorCode LastCaughtErrorCode() { return lastCaught; }

void ForgetCaughtErrors() { lastCaught = ErrorCode::Failure; }

}  // namespace quillet
