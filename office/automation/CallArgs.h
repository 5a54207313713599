// The arguments of one call on a stand-in member (automation::Arguments), read
// the way Automation converts: a value that cannot be read as asked raises a
// type mismatch.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "automation/Arguments.h"
#include "platform/com/com.h"

namespace quillet::office {

class CallArgs : public automation::Arguments {
 public:
  explicit CallArgs(const automation::Arguments& args) : automation::Arguments(args) {}

  using automation::Arguments::Find;
  const VARIANT* Find(size_t index, const std::string& name) const { return Find(index, name.c_str()); }
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
