// The arguments of one call on a stand-in member, in the caller's terms:
// positional arguments by index, named ones by their declared parameter name
// (case-insensitive, as COM resolves them), and the new value of a property
// put. Readers convert the way Automation does and raise a type mismatch when
// a value cannot be read as asked.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/com.h"

namespace quillet::office {

class CallArgs {
 public:
  std::vector<const VARIANT*> positional;
  std::vector<std::pair<std::string, const VARIANT*>> named;  // declared name, value
  const VARIANT* putValue = nullptr;

  // Parameter Index of the member's list (named Name): the positional
  // argument at that index, else the named argument; null when it was not
  // passed or passed as "missing".
  const VARIANT* Find(size_t index, const std::string& name) const;
  bool Has(size_t index, const std::string& name) const { return Find(index, name) != nullptr; }

  std::optional<std::string> Text(size_t index, const std::string& name) const;
  std::optional<int32_t> Int(size_t index, const std::string& name) const;
  std::optional<bool> Bool(size_t index, const std::string& name) const;

  // The value of a property put.
  std::string PutText() const;
  int32_t PutInt() const;
  bool PutBool() const;
};

// Readers of one VARIANT (by-reference values are read through).
std::string VariantText(const VARIANT& v);
int32_t VariantInt(const VARIANT& v);
bool VariantBool(const VARIANT& v);

}  // namespace quillet::office
