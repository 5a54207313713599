// The arguments of a call to an object of the doubles, the transcript's text
// of a value, and the results a member answers with.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "automation/Arguments.h"
#include "automation/Result.h"
#include "platform/com/ComPtr.h"

namespace quillet::doubles {

// The arguments of one call, in the caller's order (automation::Arguments),
// read the way the doubles read them: a value of another type than asked for
// gives the fallback.
class CallArgs : public automation::Arguments {
 public:
  explicit CallArgs(const automation::Arguments& args) : automation::Arguments(args) {}

  std::string Text(size_t index, const char* name, const std::string& fallback = {}) const;
  int32_t Int(size_t index, const char* name, int32_t fallback = 0) const;
  bool Bool(size_t index, const char* name, bool fallback = false) const;
};

using automation::Deref;
// The transcript's text of a value: 12, True, "text" (quotes doubled), 2.5,
// Empty, Missing, Error(0x........), <object>, and "ByRef " before a reference.
std::string FormatValue(const VARIANT& v);
// A text value as it stands, any other value as the transcript writes it.
std::string PlainText(const VARIANT& v);

// What a collection's Item raises for an index it does not hold.
inline constexpr const char* kNoSuchItem = "The requested member of the collection does not exist.";

// Results (null when the caller wants none).
inline void SetText(VARIANT* result, const std::string& text) { automation::Result(result).Text(text); }
inline void SetInt(VARIANT* result, int32_t value) { automation::Result(result).Int(value); }
inline void SetBool(VARIANT* result, bool value) { automation::Result(result).Bool(value); }
// Takes over the reference.
inline void SetObject(VARIANT* result, IDispatch* object) { automation::Result(result).Object(object); }

}  // namespace quillet::doubles
