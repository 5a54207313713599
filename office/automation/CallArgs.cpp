#include "automation/CallArgs.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "automation/Failure.h"

namespace quillet::office {

namespace {

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

const VARIANT& Through(const VARIANT& v) {
  const VARIANT* p = &v;
  while (p->vt == (VT_BYREF | VT_VARIANT) && p->pvarVal) p = p->pvarVal;
  return *p;
}

bool Missing(const VARIANT* v) {
  if (!v) return true;
  const VARIANT& d = Through(*v);
  if (d.vt == VT_ERROR) return d.scode == DISP_E_PARAMNOTFOUND;
  if (d.vt == (VT_ERROR | VT_BYREF)) return *static_cast<SCODE*>(d.byref) == DISP_E_PARAMNOTFOUND;
  return false;
}

[[noreturn]] void Mismatch() { throw CodeFailure(DISP_E_TYPEMISMATCH); }

int32_t ParseInt(const std::string& s) {
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(s.c_str(), &end, 10);
  if (s.empty() || *end || errno || v < INT32_MIN || v > INT32_MAX) Mismatch();
  return static_cast<int32_t>(v);
}

}  // namespace

std::string VariantText(const VARIANT& in) {
  const VARIANT& v = Through(in);
  const bool ref = (v.vt & VT_BYREF) != 0;
  switch (v.vt & ~VT_BYREF) {
    case VT_EMPTY:
    case VT_NULL: return {};
    case VT_BSTR: return com::FromBstr(ref ? *v.pbstrVal : v.bstrVal);
    case VT_BOOL: return (ref ? *v.pboolVal : v.boolVal) ? "True" : "False";
    case VT_R8: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.15g", ref ? *v.pdblVal : v.dblVal);
      return buf;
    }
    default: return std::to_string(VariantInt(v));
  }
}

int32_t VariantInt(const VARIANT& in) {
  const VARIANT& v = Through(in);
  const bool ref = (v.vt & VT_BYREF) != 0;
  switch (v.vt & ~VT_BYREF) {
    case VT_EMPTY: return 0;
    case VT_I2: return ref ? *static_cast<int16_t*>(v.byref) : v.iVal;
    case VT_I4: return ref ? *v.plVal : v.lVal;
    case VT_INT: return ref ? *static_cast<int*>(v.byref) : v.intVal;
    case VT_I1: return ref ? *static_cast<int8_t*>(v.byref) : v.cVal;
    case VT_UI1: return ref ? *static_cast<uint8_t*>(v.byref) : v.bVal;
    case VT_UI2: return ref ? *static_cast<uint16_t*>(v.byref) : v.uiVal;
    case VT_UI4:
    case VT_UINT: {
      const uint32_t u = ref ? *static_cast<uint32_t*>(v.byref) : v.ulVal;
      if (u > uint32_t(INT32_MAX)) Mismatch();
      return static_cast<int32_t>(u);
    }
    case VT_BOOL: return (ref ? *v.pboolVal : v.boolVal) ? -1 : 0;
    case VT_R4:
    case VT_R8: {
      const double d = std::nearbyint((v.vt & ~VT_BYREF) == VT_R4 ? (ref ? *static_cast<float*>(v.byref) : v.fltVal)
                                                                  : (ref ? *v.pdblVal : v.dblVal));
      if (!(d >= INT32_MIN && d <= INT32_MAX)) Mismatch();
      return static_cast<int32_t>(d);
    }
    case VT_BSTR: return ParseInt(com::FromBstr(ref ? *v.pbstrVal : v.bstrVal));
    default: Mismatch();
  }
}

bool VariantBool(const VARIANT& in) {
  const VARIANT& v = Through(in);
  if ((v.vt & ~VT_BYREF) == VT_BSTR) {
    const std::string s = VariantText(v);
    if (SameName(s, "true")) return true;
    if (SameName(s, "false")) return false;
  }
  return VariantInt(v) != 0;
}

const VARIANT* CallArgs::Find(size_t index, const std::string& name) const {
  const VARIANT* v = nullptr;
  if (index < positional.size()) {
    v = positional[index];
  } else {
    for (const auto& [n, value] : named)
      if (SameName(n, name)) v = value;
  }
  return Missing(v) ? nullptr : v;
}

std::optional<std::string> CallArgs::Text(size_t index, const std::string& name) const {
  const VARIANT* v = Find(index, name);
  if (!v) return std::nullopt;
  return VariantText(*v);
}

std::optional<int32_t> CallArgs::Int(size_t index, const std::string& name) const {
  const VARIANT* v = Find(index, name);
  if (!v) return std::nullopt;
  return VariantInt(*v);
}

std::optional<bool> CallArgs::Bool(size_t index, const std::string& name) const {
  const VARIANT* v = Find(index, name);
  if (!v) return std::nullopt;
  return VariantBool(*v);
}

std::string CallArgs::PutText() const { return putValue ? VariantText(*putValue) : std::string(); }
int32_t CallArgs::PutInt() const { return putValue ? VariantInt(*putValue) : 0; }
bool CallArgs::PutBool() const { return putValue && VariantBool(*putValue); }

}  // namespace quillet::office
