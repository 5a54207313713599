// The arguments of one call on an automation object, in the caller's order:
// positional arguments by index, named ones under the name the caller spelled
// them with, and the new value of a property put.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/com/com.h"

namespace quillet::automation {

class Arguments {
 public:
  std::vector<VARIANT*> positional;
  std::vector<std::pair<std::string, VARIANT*>> named;  // parameter name as the caller spelled it, value
  VARIANT* putValue = nullptr;

  // Parameter Index of the member's list (named Name, compared without regard
  // to case): the positional argument at that index, else the named argument;
  // null when it was not passed or passed as "missing".
  VARIANT* Find(size_t index, const char* name) const;
};

// The value read through a by-reference VARIANT.
const VARIANT& Deref(const VARIANT& v);

}  // namespace quillet::automation
