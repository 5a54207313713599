// Values the objects of the doubles answer with, and a property that keeps
// what was put.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "automation/Result.h"
#include "platform/com/ComPtr.h"

namespace quillet::doubles {

using automation::BoolVariant;
using automation::IntVariant;

// A property that stores what was put and answers it back. Copies share the
// one value, so an object made afresh at every call (a collection's item) sees
// what an earlier one was given.
class Stored {
 public:
  explicit Stored(VARIANT initial);
  HRESULT Get(VARIANT* result) const;
  HRESULT Put(const VARIANT& v);

 private:
  std::shared_ptr<com::UniqueVariant> value_ = std::make_shared<com::UniqueVariant>();
};

}  // namespace quillet::doubles
