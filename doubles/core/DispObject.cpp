#include "DispObject.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <tuple>

#include "utilities/Strings.h"

namespace quillet::doubles {

namespace {

std::atomic<long> g_live{0};
void (*g_onLastGone)() = nullptr;

// Named-argument identifiers: one per spelling, the same for every member, so
// that Invoke can write a name as the caller wrote it.
std::mutex g_paramLock;
std::vector<std::string>& ParamSpellings() {
  static std::vector<std::string> spellings;
  return spellings;
}
constexpr DISPID kFirstParamId = 0x1000;

DISPID ParamId(const std::string& spelling) {
  std::lock_guard<std::mutex> guard(g_paramLock);
  auto& spellings = ParamSpellings();
  for (size_t i = 0; i < spellings.size(); ++i)
    if (spellings[i] == spelling) return static_cast<DISPID>(kFirstParamId + i);
  spellings.push_back(spelling);
  return static_cast<DISPID>(kFirstParamId + spellings.size() - 1);
}

// The spelling of a named-argument identifier; "?" for one never handed out.
std::string ParamSpelling(DISPID id) {
  std::lock_guard<std::mutex> guard(g_paramLock);
  const auto& spellings = ParamSpellings();
  if (id < kFirstParamId || static_cast<size_t>(id - kFirstParamId) >= spellings.size()) return "?";
  return spellings[static_cast<size_t>(id - kFirstParamId)];
}

std::string OleText(const OLECHAR* text) {
  size_t n = 0;
  while (text[n]) ++n;
  return com::FromOle(text, n);
}

const char* KindText(WORD flags) {
  switch (flags) {
    case DISPATCH_METHOD: return "method";
    case DISPATCH_PROPERTYGET: return "get";
    case DISPATCH_METHOD | DISPATCH_PROPERTYGET: return "method|get";
    case DISPATCH_PROPERTYPUT: return "put";
    case DISPATCH_PROPERTYPUTREF: return "putref";
    default: return "flags?";
  }
}

}  // namespace

long LiveObjects() { return g_live.load(); }
void SetOnLastObjectGone(void (*callback)()) { g_onLastGone = callback; }

DispObject::DispObject(std::shared_ptr<Session> session, std::string name)
    : session_(std::move(session)), name_(std::move(name)) {
  ++g_live;
  session_->Write("new " + name_);
}

DispObject::~DispObject() {
  session_->Write("del " + name_);
  if (--g_live == 0 && g_onLastGone) g_onLastGone();
}

HRESULT DispObject::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return QueryOther(riid, object);
}

HRESULT DispObject::QueryOther(REFIID, void** object) {
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG DispObject::AddRef() { return ++refs_; }

ULONG DispObject::Release() {
  const ULONG n = --refs_;
  if (n == 0) delete this;
  return n;
}

HRESULT DispObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT DispObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT DispObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (session_->dead()) return RPC_E_DISCONNECTED;
  if (!names || !ids || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const std::string member = OleText(names[0]);
  const auto& unknown = session_->script().unknown;
  size_t found = members_.size();
  for (size_t i = 0; i < members_.size(); ++i) {
    const std::string key = LowerCase(name_ + "." + members_[i].name);
    if (std::find(unknown.begin(), unknown.end(), key) != unknown.end()) continue;
    if (SameText(members_[i].name, member)) found = i;
  }
  if (found == members_.size()) return DISP_E_UNKNOWNNAME;
  {
    std::lock_guard<std::mutex> guard(spellingsLock_);
    size_t slot = 0;
    while (slot < spellings_.size() && !(spellings_[slot].first == found && spellings_[slot].second == member)) ++slot;
    if (slot == spellings_.size()) spellings_.emplace_back(found, member);
    ids[0] = static_cast<DISPID>(slot + 1);
  }
  HRESULT hr = S_OK;
  for (UINT i = 1; i < count; ++i) {
    const std::string param = OleText(names[i]);
    bool known = false;
    for (const std::string& p : members_[found].params) known = known || SameText(p, param);
    if (known)
      ids[i] = ParamId(param);
    else
      hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT DispObject::Raise(const std::string& description) {
  pendingException_ = description;
  return DISP_E_EXCEPTION;
}

HRESULT DispObject::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* excepInfo, UINT* argErr) {
  if (session_->dead()) return RPC_E_DISCONNECTED;
  if (!params) return E_INVALIDARG;
  size_t index = 0;
  std::string spelling;
  {
    std::lock_guard<std::mutex> guard(spellingsLock_);
    if (member < 1 || static_cast<size_t>(member) > spellings_.size()) return DISP_E_MEMBERNOTFOUND;
    std::tie(index, spelling) = spellings_[static_cast<size_t>(member - 1)];
  }
  const Entry& entry = members_[index];
  if (result) ::VariantInit(result);

  // The arguments in the caller's order: the block is read from its end.
  CallArgs args;
  UINT cNamed = params->cNamedArgs;
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (put) {
    if (cNamed < 1 || params->cArgs < 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
      return DISP_E_PARAMNOTOPTIONAL;
    args.putValue = &params->rgvarg[0];
  } else {
    for (UINT j = cNamed; j-- > 0;) args.named.emplace_back(ParamSpelling(params->rgdispidNamedArgs[j]), &params->rgvarg[j]);
  }
  for (UINT i = params->cArgs; i-- > cNamed;) args.positional.push_back(&params->rgvarg[i]);

  std::string line = "call " + name_ + "." + spelling + " " + KindText(flags);
  std::string list;
  auto add = [&](const std::string& item) { list += (list.empty() ? "" : ", ") + item; };
  for (VARIANT* v : args.positional) add(FormatValue(*v));
  for (const auto& [n, v] : args.named) add(n + ":=" + FormatValue(*v));
  if (args.putValue) add(FormatValue(*args.putValue));
  if (!list.empty()) line += " " + list;
  session_->Write(line);

  const std::string key = LowerCase(name_ + "." + entry.name);
  const Script& script = session_->script();
  HRESULT hr = S_OK;
  pendingException_.clear();
  if (!script.hang.empty() && script.hang == key) {
    // A member that never answers: the call ends only when the converter
    // aborts the server (or ends its process).
    session_->Write("hang " + name_ + "." + entry.name);
    session_->Hang();
    hr = static_cast<HRESULT>(0x80010002u);  // RPC_E_CALL_CANCELED
  } else if (deleted_) {
    hr = Raise("The object has been deleted.");
  } else if (auto f = script.failures.find(key); f != script.failures.end()) {
    hr = Raise(f->second);
  } else if (auto c = script.failCodes.find(key); c != script.failCodes.end()) {
    hr = c->second;
  } else if (!(flags & entry.allowed)) {
    hr = DISP_E_MEMBERNOTFOUND;
  } else if (args.positional.size() > entry.params.size()) {
    if (argErr) *argErr = 0;
    hr = DISP_E_BADPARAMCOUNT;
  } else {
    const Handler& handler = put ? entry.put : (entry.call ? entry.call : entry.get);
    try {
      hr = handler ? handler(args, result) : DISP_E_MEMBERNOTFOUND;
    } catch (const std::exception& e) {
      // Nothing may leave Invoke as an exception; a failure inside an answer
      // (a folder that cannot be made) reaches the caller as a described one.
      hr = Raise(e.what());
    }
  }
  if (hr == DISP_E_EXCEPTION) {
    if (result) ::VariantClear(result);
    if (excepInfo) {
      std::memset(excepInfo, 0, sizeof *excepInfo);
      excepInfo->bstrSource = ::SysAllocString(com::ToOle(session_->app()).c_str());
      excepInfo->bstrDescription = ::SysAllocString(com::ToOle(pendingException_).c_str());
      excepInfo->scode = E_FAIL;
    }
    return hr;
  }
  if (FAILED(hr)) {
    if (result) ::VariantClear(result);
    return hr;
  }
  if (!script.disconnectAfter.empty() && script.disconnectAfter == key) session_->Die();
  return hr;
}

void DispObject::Property(const std::string& name, Handler getter, Handler setter, std::vector<std::string> params) {
  Entry e;
  e.name = name;
  e.allowed = DISPATCH_PROPERTYGET | (setter ? DISPATCH_PROPERTYPUT : 0);
  e.params = std::move(params);
  e.get = std::move(getter);
  e.put = std::move(setter);
  members_.push_back(std::move(e));
}

void DispObject::Method(const std::string& name, std::vector<std::string> params, Handler handler) {
  Entry e;
  e.name = name;
  e.allowed = DISPATCH_METHOD;
  e.params = std::move(params);
  e.call = std::move(handler);
  members_.push_back(std::move(e));
}

void DispObject::Member(const std::string& name, std::vector<std::string> params, Handler handler) {
  Entry e;
  e.name = name;
  e.allowed = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
  e.params = std::move(params);
  e.call = std::move(handler);
  members_.push_back(std::move(e));
}

void DispObject::Collection(std::function<int32_t()> size, std::function<DispObject*(int32_t index)> make,
                            const std::vector<std::string>& itemNames) {
  Property("Count", [size](const CallArgs&, VARIANT* r) { SetInt(r, size()); return S_OK; });
  for (const std::string& itemName : itemNames) {
    Member(itemName, {"Index"}, [this, size, make](const CallArgs& a, VARIANT* r) {
      const int32_t i = a.Int(0, "Index", 0);
      if (i < 1 || i > size()) return Raise(kNoSuchItem);
      SetObject(r, make(i));
      return S_OK;
    });
  }
}

}  // namespace quillet::doubles
