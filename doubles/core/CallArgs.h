// The arguments of a call to an object of the doubles, the transcript's text
// of a value, and the results a member answers with.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/ComPtr.h"

namespace quillet::doubles {

// The arguments of one call, in the caller's order.
class CallArgs {
 public:
  std::vector<VARIANT*> positional;
  std::vector<std::pair<std::string, VARIANT*>> named;  // parameter name as the caller spelled it, value
  VARIANT* putValue = nullptr;

  // Positional argument Index, else the named argument Name; null when absent
  // or passed as "missing".
  VARIANT* Find(size_t index, const char* name) const;
  std::string Text(size_t index, const char* name, const std::string& fallback = {}) const;
  int32_t Int(size_t index, const char* name, int32_t fallback = 0) const;
  bool Bool(size_t index, const char* name, bool fallback = false) const;
};

// The value read through a by-reference argument.
const VARIANT& Deref(const VARIANT& v);
// The transcript's text of a value: 12, True, "text" (quotes doubled), 2.5,
// Empty, Missing, Error(0x........), <object>, and "ByRef " before a reference.
std::string FormatValue(const VARIANT& v);
// A text value as it stands, any other value as the transcript writes it.
std::string PlainText(const VARIANT& v);

// What a collection's Item raises for an index it does not hold.
inline constexpr const char* kNoSuchItem = "The requested member of the collection does not exist.";

// Results.
void SetText(VARIANT* result, const std::string& text);
void SetInt(VARIANT* result, int32_t value);
void SetBool(VARIANT* result, bool value);
void SetObject(VARIANT* result, IDispatch* object);  // takes over the reference

}  // namespace quillet::doubles
