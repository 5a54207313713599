#include "CallArgs.h"

#include <cstdio>
#include <cstdlib>

namespace quillet::doubles {

std::string FormatValue(const VARIANT& in) {
  const VARIANT& v = Deref(in);
  const bool ref = (v.vt & VT_BYREF) != 0 || in.vt == (VT_BYREF | VT_VARIANT);
  const bool indirect = (v.vt & VT_BYREF) != 0;
  std::string text;
  char buf[64];
  switch (v.vt & ~VT_BYREF) {
    case VT_EMPTY:
      text = "Empty";
      break;
    case VT_NULL:
      text = "Null";
      break;
    case VT_I2:
      text = std::to_string(indirect ? *static_cast<int16_t*>(v.byref) : v.iVal);
      break;
    case VT_I4:
      text = std::to_string(indirect ? *v.plVal : v.lVal);
      break;
    case VT_INT:
      text = std::to_string(indirect ? *static_cast<int*>(v.byref) : v.intVal);
      break;
    case VT_BOOL:
      text = (indirect ? *v.pboolVal : v.boolVal) ? "True" : "False";
      break;
    case VT_R8: {
      const double d = indirect ? *v.pdblVal : v.dblVal;
      std::snprintf(buf, sizeof buf, "%.15g", d);
      text = buf;
      if (text.find_first_of(".en") == std::string::npos) text += ".0";
      break;
    }
    case VT_BSTR: {
      const std::string s = com::FromBstr(indirect ? *v.pbstrVal : v.bstrVal);
      text = "\"";
      for (char c : s) {
        if (c == '"') text += '"';
        text += c;
      }
      text += '"';
      break;
    }
    case VT_ERROR: {
      const SCODE code = indirect ? *static_cast<SCODE*>(v.byref) : v.scode;
      if (code == DISP_E_PARAMNOTFOUND) {
        text = "Missing";
      } else {
        std::snprintf(buf, sizeof buf, "Error(0x%.8x)", static_cast<unsigned>(code));
        text = buf;
      }
      break;
    }
    case VT_DISPATCH:
    case VT_UNKNOWN:
      text = "<object>";
      break;
    default:
      std::snprintf(buf, sizeof buf, "Type(0x%x)", unsigned(v.vt));
      text = buf;
  }
  return ref ? "ByRef " + text : text;
}

std::string PlainText(const VARIANT& v) {
  const VARIANT& d = Deref(v);
  if ((d.vt & ~VT_BYREF) == VT_BSTR) return com::FromBstr(d.vt & VT_BYREF ? *d.pbstrVal : d.bstrVal);
  return FormatValue(d);
}

std::string CallArgs::Text(size_t index, const char* name, const std::string& fallback) const {
  const VARIANT* v = Find(index, name);
  return v ? PlainText(*v) : fallback;
}

int32_t CallArgs::Int(size_t index, const char* name, int32_t fallback) const {
  const VARIANT* v = Find(index, name);
  if (!v) return fallback;
  const VARIANT& d = Deref(*v);
  switch (d.vt & ~VT_BYREF) {
    case VT_I4:
      return d.vt & VT_BYREF ? *d.plVal : d.lVal;
    case VT_I2:
      return d.vt & VT_BYREF ? *static_cast<int16_t*>(d.byref) : d.iVal;
    case VT_BOOL:
      return (d.vt & VT_BYREF ? *d.pboolVal : d.boolVal) ? -1 : 0;
    case VT_R8:
      return static_cast<int32_t>(d.vt & VT_BYREF ? *d.pdblVal : d.dblVal);
    case VT_BSTR:
      return std::atoi(com::FromBstr(d.vt & VT_BYREF ? *d.pbstrVal : d.bstrVal).c_str());
    default:
      return fallback;
  }
}

bool CallArgs::Bool(size_t index, const char* name, bool fallback) const {
  const VARIANT* v = Find(index, name);
  return v ? Int(index, name, 0) != 0 : fallback;
}

}  // namespace quillet::doubles
