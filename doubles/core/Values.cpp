#include "Values.h"

#include "DispObject.h"

namespace quillet::doubles {

Stored::Stored(VARIANT initial) { **value_ = initial; }

HRESULT Stored::Get(VARIANT* result) const { return result ? ::VariantCopy(result, value_->get()) : S_OK; }

HRESULT Stored::Put(const VARIANT& v) {
  const VARIANT& d = Deref(v);
  if (d.vt & VT_BYREF) return DISP_E_TYPEMISMATCH;
  return ::VariantCopy(value_->get(), const_cast<VARIANT*>(&d));
}

}  // namespace quillet::doubles
