#include "automation/Arguments.h"

#include "utilities/Strings.h"

namespace quillet::automation {

namespace {

bool IsMissing(const VARIANT* v) {
  if (!v) return true;
  const VARIANT& d = Deref(*v);
  if (d.vt == VT_ERROR) return d.scode == DISP_E_PARAMNOTFOUND;
  if (d.vt == (VT_ERROR | VT_BYREF)) return *static_cast<SCODE*>(d.byref) == DISP_E_PARAMNOTFOUND;
  return false;
}

}  // namespace

const VARIANT& Deref(const VARIANT& v) {
  const VARIANT* p = &v;
  while (p->vt == (VT_BYREF | VT_VARIANT) && p->pvarVal) p = p->pvarVal;
  return *p;
}

VARIANT* Arguments::Find(size_t index, const char* name) const {
  VARIANT* v = nullptr;
  if (index < positional.size()) {
    v = positional[index];
  } else if (name) {
    for (const auto& [n, value] : named)
      if (SameText(n, name)) v = value;
  }
  return IsMissing(v) ? nullptr : v;
}

}  // namespace quillet::automation
