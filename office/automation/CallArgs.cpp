#include "automation/CallArgs.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "automation/Failure.h"
#include "utilities/Strings.h"

namespace quillet::office {

namespace {

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
  const VARIANT& v = automation::Deref(in);
  const bool ref = (v.vt & VT_BYREF) != 0;
  switch (v.vt & ~VT_BYREF) {
    case VT_EMPTY:
    case VT_NULL:
      return {};
    case VT_BSTR:
      return com::FromBstr(ref ? *v.pbstrVal : v.bstrVal);
    case VT_BOOL:
      return (ref ? *v.pboolVal : v.boolVal) ? "True" : "False";
    case VT_R8: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.15g", ref ? *v.pdblVal : v.dblVal);
      return buf;
    }
    default:
      return std::to_string(VariantInt(v));
  }
}

int32_t VariantInt(const VARIANT& in) {
  const VARIANT& v = automation::Deref(in);
  const bool ref = (v.vt & VT_BYREF) != 0;
  switch (v.vt & ~VT_BYREF) {
    case VT_EMPTY:
      return 0;
    case VT_I2:
      return ref ? *static_cast<int16_t*>(v.byref) : v.iVal;
    case VT_I4:
      return ref ? *v.plVal : v.lVal;
    case VT_INT:
      return ref ? *static_cast<int*>(v.byref) : v.intVal;
    case VT_I1:
      return ref ? *static_cast<int8_t*>(v.byref) : v.cVal;
    case VT_UI1:
      return ref ? *static_cast<uint8_t*>(v.byref) : v.bVal;
    case VT_UI2:
      return ref ? *static_cast<uint16_t*>(v.byref) : v.uiVal;
    case VT_UI4:
    case VT_UINT: {
      const uint32_t u = ref ? *static_cast<uint32_t*>(v.byref) : v.ulVal;
      if (u > uint32_t(INT32_MAX)) Mismatch();
      return static_cast<int32_t>(u);
    }
    case VT_BOOL:
      return (ref ? *v.pboolVal : v.boolVal) ? -1 : 0;
    case VT_R4:
    case VT_R8: {
      const double d = std::nearbyint((v.vt & ~VT_BYREF) == VT_R4 ? (ref ? *static_cast<float*>(v.byref) : v.fltVal)
                                                                  : (ref ? *v.pdblVal : v.dblVal));
      if (!(d >= INT32_MIN && d <= INT32_MAX)) Mismatch();
      return static_cast<int32_t>(d);
    }
    case VT_BSTR:
      return ParseInt(com::FromBstr(ref ? *v.pbstrVal : v.bstrVal));
    default:
      Mismatch();
  }
}

bool VariantBool(const VARIANT& in) {
  const VARIANT& v = automation::Deref(in);
  if ((v.vt & ~VT_BYREF) == VT_BSTR) {
    const std::string s = VariantText(v);
    if (SameText(s, "true")) return true;
    if (SameText(s, "false")) return false;
  }
  return VariantInt(v) != 0;
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
