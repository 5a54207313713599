// Steps whose failure is of no consequence: the error is caught and dropped
// right there, and the caller goes on.
#pragma once

#include <exception>
#include <string>

#include "platform/error.h"

namespace quillet {

template <class F>
void Ignoring(F&& step) {
  try {
    step();
  } catch (const std::exception&) {
  }
}

// The message of the exception being handled (call it inside a catch block):
// what() of a standard exception, "Unknown error" for anything else, so that
// a failure never reads as an empty error text.
std::string CurrentErrorMessage();

// Runs Step; on a failure puts its message into Message and returns false.
template <class F>
bool Guarded(F&& step, std::string& message) {
  try {
    step();
    return true;
  } catch (...) {
    message = CurrentErrorMessage();
    return false;
  }
}

}  // namespace quillet
