// The answer of a member: nothing, a text, a number, a Boolean or an object
// (whose reference the result takes over); and the plain values objects keep.
#pragma once

#include <cstdint>
#include <string>

#include "platform/com/com.h"

namespace quillet::automation {

class Result {
 public:
  // Slot: where the caller wants the answer; null when it wants none.
  explicit Result(VARIANT* slot) : slot_(slot) {}
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;

  void Text(const std::string& text);
  void Int(int32_t value);
  void Bool(bool value);
  void Double(double value);
  // Takes over the caller's reference; released at once when nobody asked
  // for a result.
  void Object(IDispatch* object);

 private:
  VARIANT* slot_;
};

VARIANT IntVariant(int32_t value);
VARIANT BoolVariant(bool value);

}  // namespace quillet::automation
