// The automation call layer over IDispatch (the system's COM on Windows, the
// subset of src/platform/com elsewhere).
#include "utilities/automation/Automation.h"

#include "utilities/automation/FailureKinds.h"

#include <cmath>
#include <cstdio>
#include <deque>

#include "platform/com/ComPtr.h"
#include "platform/com/ServerControl.h"
#include "platform/error.h"
#include "utilities/Strings.h"

namespace quillet::ole {

using com::ComPtr;
using com::ExcepInfo;
using com::FromBstr;
using com::OleString;
using com::ToOle;
using com::UniqueBstr;
using com::UniqueVariant;

// ---------------------------------------------------------------- errors

std::string OleErrorText(int32_t code) {
  std::string text = com::SystemText(static_cast<HRESULT>(code));
  if (!text.empty()) return text;
  char buf[32];
  std::snprintf(buf, sizeof buf, "OLE error %.8x", static_cast<unsigned>(code));
  return buf;
}

namespace {

// The failures that tell that the server's process has gone (ended, died or
// cut off): its object will not answer again.
bool IsServerGone(HRESULT hr) {
  switch (static_cast<uint32_t>(hr)) {
    case 0x80010108u:  // RPC_E_DISCONNECTED
    case 0x800706BAu:  // RPC_S_SERVER_UNAVAILABLE
    case 0x80010007u:  // RPC_E_SERVER_DIED
    case 0x80010012u:  // RPC_E_SERVER_DIED_DNE
    case 0x800401FDu:  // CO_E_OBJNOTCONNECTED
      return true;
    default:
      return false;
  }
}

[[noreturn]] void Raise(HRESULT hr, const std::string& text) {
  throw Error(text, IsServerGone(hr) ? ErrorCode::ServerGone : ErrorCode::Automation, static_cast<int32_t>(hr));
}

[[noreturn]] void Raise(HRESULT hr) { Raise(hr, OleErrorText(hr)); }

const char* TypeName(Variant::Type t) {
  switch (t) {
    case Variant::Type::Empty:
      return "Empty";
    case Variant::Type::Integer:
      return "Integer";
    case Variant::Type::Boolean:
      return "Boolean";
    case Variant::Type::Double:
      return "Double";
    case Variant::Type::String:
      return "String";
    case Variant::Type::Object:
      return "Object";
    case Variant::Type::Error:
      return "Error";
  }
  return "?";
}

[[noreturn]] void Mismatch(Variant::Type from, const char* to) {
  throw Error(std::string("Type mismatch: a value of type ") + TypeName(from) + " cannot be read as " + to);
}

// Fills Out (initialised, empty) with a copy of Value.
void ToVariant(const Variant& value, VARIANT& out) {
  switch (value.type()) {
    case Variant::Type::Empty:
      out.vt = VT_EMPTY;
      break;
    case Variant::Type::Integer:
      out.vt = VT_I4;
      out.lVal = value.AsInteger();
      break;
    case Variant::Type::Boolean:
      out.vt = VT_BOOL;
      out.boolVal = value.AsBoolean() ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case Variant::Type::Double:
      out.vt = VT_R8;
      out.dblVal = value.AsDouble();
      break;
    case Variant::Type::String: {
      UniqueBstr b = UniqueBstr::From(value.AsString());
      out.vt = VT_BSTR;
      out.bstrVal = b.release();
      break;
    }
    case Variant::Type::Object: {
      IDispatch* d = value.AsObject().get();
      if (d) d->AddRef();
      out.vt = VT_DISPATCH;
      out.pdispVal = d;
      break;
    }
    case Variant::Type::Error:
      out.vt = VT_ERROR;
      out.scode = value.ErrorValue();
      break;
  }
}

Variant FromVariant(const VARIANT& in) {
  const VARIANT* v = &in;
  // A by-reference VARIANT is read through.
  while (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) v = v->pvarVal;
  const bool ref = (v->vt & VT_BYREF) != 0;
  switch (v->vt & ~VT_BYREF) {
    case VT_EMPTY:
    case VT_NULL:
      return Variant();
    case VT_I2:
      return Variant(int32_t(ref ? *static_cast<int16_t*>(v->byref) : v->iVal));
    case VT_I4:
      return Variant(int32_t(ref ? *v->plVal : v->lVal));
    case VT_INT:
      return Variant(int32_t(ref ? *static_cast<int*>(v->byref) : v->intVal));
    case VT_UI1:
      return Variant(int32_t(ref ? *static_cast<uint8_t*>(v->byref) : v->bVal));
    case VT_I1:
      return Variant(int32_t(ref ? *static_cast<int8_t*>(v->byref) : v->cVal));
    case VT_UI2:
      return Variant(int32_t(ref ? *static_cast<uint16_t*>(v->byref) : v->uiVal));
    case VT_UI4:
    case VT_UINT: {
      const uint32_t u = ref ? *static_cast<uint32_t*>(v->byref) : v->ulVal;
      if (u > uint32_t(INT32_MAX)) return Variant(double(u));
      return Variant(int32_t(u));
    }
    case VT_R4:
      return Variant(double(ref ? *static_cast<float*>(v->byref) : v->fltVal));
    case VT_R8:
    case VT_DATE:
      return Variant(ref ? *v->pdblVal : v->dblVal);
    case VT_BOOL:
      return Variant((ref ? *v->pboolVal : v->boolVal) != VARIANT_FALSE);
    case VT_BSTR:
      return Variant(FromBstr(ref ? *v->pbstrVal : v->bstrVal));
    case VT_ERROR:
      return Variant::ErrorCode(ref ? *static_cast<SCODE*>(v->byref) : v->scode);
    case VT_DISPATCH: {
      IDispatch* d = ref ? *static_cast<IDispatch**>(v->byref) : v->pdispVal;
      return d ? Variant(OleObject::Borrow(d)) : Variant();
    }
    case VT_UNKNOWN: {
      IUnknown* u = ref ? *static_cast<IUnknown**>(v->byref) : v->punkVal;
      if (!u) return Variant();
      OleObject d = ComPtr<IUnknown>::Borrow(u).try_query<IDispatch>();
      if (!d) throw Error("The server returned an object without an automation interface");
      return Variant(std::move(d));
    }
    default: {
      char buf[80];
      std::snprintf(buf, sizeof buf, "The server returned a value of unsupported type 0x%x", unsigned(v->vt));
      throw Error(buf);
    }
  }
}

}  // namespace

// ---------------------------------------------------------------- Variant

const Args& NoArgs() {
  static const Args none;
  return none;
}

const NamedArgs& NoNamedArgs() {
  static const NamedArgs none;
  return none;
}

Variant::Variant(OleObject v) : value_(std::move(v)) {}

#if defined(__SANITIZE_ADDRESS__)
}  // namespace quillet::ole
extern "C" void __lsan_ignore_object(const void* p);
namespace quillet::ole {
#endif

namespace {
#if defined(__SANITIZE_ADDRESS__)
void IgnoredByLeakChecker(const void* p) {
  if (p) __lsan_ignore_object(p);
}
#else
void IgnoredByLeakChecker(const void*) {}
#endif
}  // namespace

void Variant::Leak() {
  if (auto* object = std::get_if<OleObject>(&value_)) {
    void* const reference = object->detach();
    // Deliberate: when the server lives in this process (Linux), the leak
    // checker is told so, and reports every other object as before.
    IgnoredByLeakChecker(reference);
  }
  value_ = std::monostate{};
}

Variant Variant::ErrorCode(int32_t scode) {
  Variant v;
  v.value_ = ErrorBox{scode};
  return v;
}

Variant Variant::Missing() { return ErrorCode(static_cast<int32_t>(DISP_E_PARAMNOTFOUND)); }

int32_t Variant::AsInteger() const {
  switch (type()) {
    case Type::Empty:
      return 0;
    case Type::Integer:
      return std::get<int32_t>(value_);
    case Type::Boolean:
      return std::get<bool>(value_) ? -1 : 0;
    case Type::Double: {
      const double d = std::nearbyint(std::get<double>(value_));
      if (!(d >= INT32_MIN && d <= INT32_MAX)) Mismatch(type(), "Integer");
      return static_cast<int32_t>(d);
    }
    case Type::String:
      return StrToInt(std::get<std::string>(value_));
    default:
      Mismatch(type(), "Integer");
  }
}

bool Variant::AsBoolean() const {
  switch (type()) {
    case Type::Empty:
      return false;
    case Type::Integer:
      return std::get<int32_t>(value_) != 0;
    case Type::Boolean:
      return std::get<bool>(value_);
    case Type::Double:
      return std::get<double>(value_) != 0;
    case Type::String: {
      const std::string& s = std::get<std::string>(value_);
      if (SameText(s, "true")) return true;
      if (SameText(s, "false")) return false;
      return StrToInt(s) != 0;
    }
    default:
      Mismatch(type(), "Boolean");
  }
}

double Variant::AsDouble() const {
  switch (type()) {
    case Type::Empty:
      return 0;
    case Type::Integer:
      return std::get<int32_t>(value_);
    case Type::Boolean:
      return std::get<bool>(value_) ? -1 : 0;
    case Type::Double:
      return std::get<double>(value_);
    case Type::String: {
      const std::string& s = std::get<std::string>(value_);
      char* end = nullptr;
      const double d = std::strtod(s.c_str(), &end);
      if (s.empty() || *end) Mismatch(type(), "Double");
      return d;
    }
    default:
      Mismatch(type(), "Double");
  }
}

std::string Variant::AsString() const {
  switch (type()) {
    case Type::Empty:
      return {};
    case Type::Integer:
      return IntToStr(std::get<int32_t>(value_));
    case Type::Boolean:
      return std::get<bool>(value_) ? "True" : "False";
    case Type::Double: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.15g", std::get<double>(value_));
      return buf;
    }
    case Type::String:
      return std::get<std::string>(value_);
    default:
      Mismatch(type(), "String");
  }
}

const OleObject& Variant::AsObject() const {
  if (type() != Type::Object) Mismatch(type(), "Object");
  return std::get<OleObject>(value_);
}

int32_t Variant::ErrorValue() const {
  if (type() != Type::Error) Mismatch(type(), "Error");
  return std::get<ErrorBox>(value_).scode;
}

Variant Variant::Invoke(CallKind kind, const std::string& member, const Args& args, const NamedArgs& named) const {
  if (type() != Type::Object || !std::get<OleObject>(value_)) throw Error("Variant does not hold an automation object");
  return ole::Invoke(std::get<OleObject>(value_), kind, member, args, named);
}

Variant Variant::Call(const std::string& member, const Args& args, const NamedArgs& named) const {
  return Invoke(CallKind::Method, member, args, named);
}

Variant Variant::Get(const std::string& member, const Args& args) const {
  return Invoke(CallKind::PropertyGet, member, args);
}

Variant Variant::CallOrGet(const std::string& member, const Args& args, const NamedArgs& named) const {
  return Invoke(CallKind::MethodOrGet, member, args, named);
}

void Variant::Put(const std::string& member, const Variant& value, const Args& index) const {
  Args all(index);
  all.emplace_back(value);
  Invoke(CallKind::PropertyPut, member, all);
}

// ---------------------------------------------------------------- the call

namespace {

// The argument block of one Invoke: owns every VARIANT in it and the storage
// that by-reference arguments point into.
class ArgumentBlock {
 public:
  explicit ArgumentBlock(size_t count) : args_(count) {
    for (VARIANT& v : args_) ::VariantInit(&v);
  }
  ArgumentBlock(const ArgumentBlock&) = delete;
  ArgumentBlock& operator=(const ArgumentBlock&) = delete;
  ~ArgumentBlock() {
    for (VARIANT& v : args_) ::VariantClear(&v);
  }

  VARIANT* data() { return args_.data(); }

  // Fills slot Index from A; by-reference arguments point at storage owned here.
  void Set(size_t index, const Arg& a) {
    VARIANT& slot = args_[index];
    if (std::string* text = a.textRef()) {
      texts_.emplace_back(UniqueBstr::From(*text));
      refs_.push_back({&texts_.back(), nullptr, text, nullptr});
      slot.vt = VT_BYREF | VT_BSTR;
      slot.pbstrVal = texts_.back().address();
    } else if (Variant* var = a.variantRef()) {
      variants_.emplace_back();
      ToVariant(*var, *variants_.back().get());
      refs_.push_back({nullptr, &variants_.back(), nullptr, var});
      slot.vt = VT_BYREF | VT_VARIANT;
      slot.pvarVal = variants_.back().get();
    } else {
      ToVariant(a.value(), slot);
    }
  }

  // Copies what the server left in the by-reference storage back to the caller.
  void WriteBack() {
    for (const Ref& r : refs_) {
      if (r.text) *r.text = r.bstr->str();
      if (r.variant) *r.variant = FromVariant(*r.storage->get());
    }
  }

 private:
  struct Ref {
    UniqueBstr* bstr;
    UniqueVariant* storage;
    std::string* text;
    Variant* variant;
  };
  std::vector<VARIANT> args_;
  std::deque<UniqueBstr> texts_;  // a deque: pointers into it stay valid as it grows
  std::deque<UniqueVariant> variants_;
  std::vector<Ref> refs_;
};

WORD FlagsOf(CallKind kind) {
  switch (kind) {
    case CallKind::Method:
      return DISPATCH_METHOD;
    case CallKind::PropertyGet:
      return DISPATCH_PROPERTYGET;
    case CallKind::MethodOrGet:
      return DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    case CallKind::PropertyPut:
      return DISPATCH_PROPERTYPUT;
  }
  return DISPATCH_METHOD;
}

}  // namespace

Variant Invoke(const OleObject& object, CallKind kind, const std::string& member, const Args& args,
               const NamedArgs& named) {
  IDispatch* dispatch = object.get();
  if (!dispatch) throw Error("Variant does not hold an automation object");
  if (kind == CallKind::PropertyPut && (!named.empty() || args.empty()))
    throw Error("A property put takes its index arguments and the new value only");

  // 1. The member and the named arguments, resolved together.
  std::vector<OleString> names;
  names.reserve(1 + named.size());
  names.push_back(ToOle(member));
  for (const NamedArg& n : named) names.push_back(ToOle(n.name));
  std::vector<LPOLESTR> namePtrs;
  for (OleString& n : names) namePtrs.push_back(n.data());
  std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
  HRESULT hr;
  {
    const com::CallFrameGuard frames;
    hr = dispatch->GetIDsOfNames(IID_NULL, namePtrs.data(), static_cast<UINT>(namePtrs.size()), LOCALE_USER_DEFAULT,
                                 ids.data());
  }
  if (hr == DISP_E_UNKNOWNNAME) Raise(hr, "Method '" + member + "' not supported by automation object");
  if (FAILED(hr)) Raise(hr);

  // 2. The arguments, last first: the caller's order is positional then named,
  //    and the server reads them from the end of the block backwards. The named
  //    arguments sit at the front of the block, each beside its identifier.
  const size_t total = args.size() + named.size();
  ArgumentBlock block(total);
  std::vector<DISPID> namedIds(named.size());
  for (size_t k = 0; k < args.size(); ++k) block.Set(total - 1 - k, args[k]);
  for (size_t m = 0; m < named.size(); ++m) {
    const size_t slot = named.size() - 1 - m;
    block.Set(slot, named[m].value);
    namedIds[slot] = ids[1 + m];
  }
  DISPPARAMS params{};
  params.rgvarg = total ? block.data() : nullptr;
  params.cArgs = static_cast<UINT>(total);
  DISPID putId = DISPID_PROPERTYPUT;
  if (kind == CallKind::PropertyPut) {
    // The new value is the last argument the caller gave, slot 0 of the block.
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  } else if (!named.empty()) {
    params.rgdispidNamedArgs = namedIds.data();
    params.cNamedArgs = static_cast<UINT>(named.size());
  }

  // 3. The call.
  UniqueVariant result;
  ExcepInfo excep;
  UINT argErr = 0;
  {
    const com::CallFrameGuard frames;
    hr = dispatch->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, FlagsOf(kind), &params,
                          kind == CallKind::PropertyPut ? nullptr : result.get(), excep.get(), &argErr);
  }
  if (hr == DISP_E_EXCEPTION) {
    excep.Fill();
    std::string description = FromBstr((*excep).bstrDescription);
    // A server that raises without saying why must still fail the call: an
    // empty text would read as success to every caller above.
    const HRESULT code = (*excep).scode ? (*excep).scode : hr;
    if (description.empty()) Raise(code);
    throw Error(description, KindOfFailure(static_cast<int32_t>(code)), static_cast<int32_t>(code));
  }
  if (FAILED(hr)) Raise(hr);

  block.WriteBack();
  return FromVariant(*result.get());
}

// ---------------------------------------------------------------- activation

bool GetActiveOleObject(const std::string& progId, OleObject& object) {
  com::EnsureApartment();
  CLSID clsid;
  if (FAILED(::CLSIDFromProgID(ToOle(progId).c_str(), &clsid))) return false;
  ComPtr<IUnknown> unknown;
  if (FAILED(::GetActiveObject(clsid, nullptr, unknown.put())) || !unknown) return false;
  OleObject dispatch = unknown.try_query<IDispatch>();
  if (!dispatch) return false;
  object = std::move(dispatch);
  return true;
}

OleObject CreateOleObject(const std::string& progId) {
  com::EnsureApartment();
  CLSID clsid;
  HRESULT hr = ::CLSIDFromProgID(ToOle(progId).c_str(), &clsid);
  if (FAILED(hr)) Raise(hr);
  OleObject dispatch;
  hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                          dispatch.put_void());
  if (FAILED(hr)) Raise(hr);
  if (!dispatch) Raise(E_NOINTERFACE);
  return dispatch;
}

// ---------------------------------------------------------------- stopping servers

std::string LocalServerExeName(const std::string& progId) { return com::LocalServerExeName(progId); }

void EnableCallCancellation() { com::EnableCallCancellation(); }

bool CancelCall(uint32_t threadId) { return com::CancelCall(threadId); }

ServerControl ServerControl::Of(const OleObject& object) {
  ServerControl c;
  c.control_ = object.try_query<IQuilletServerControl>();
  return c;
}

uint32_t ServerControl::StartedProcessId() const {
  DWORD pid = 0;
  if (!control_ || FAILED(control_->StartedProcessId(&pid))) return 0;
  return pid;
}

bool ServerControl::Abort() const { return control_ && SUCCEEDED(control_->Abort()); }

}  // namespace quillet::ole
