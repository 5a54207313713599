#include "automation/Dispatch.h"

#include <cstring>
#include <exception>
#include <tuple>

#include "platform/com/ComPtr.h"
#include "utilities/Strings.h"

namespace quillet::automation {

namespace {

std::atomic<long> g_live{0};
std::atomic<void (*)()> g_onLastGone{nullptr};

// Named-argument identifiers: one per spelling, the same for every member, so
// that Invoke can give a name as the caller wrote it.
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

// The spelling of a named-argument identifier; false for one never handed out.
bool ParamSpelling(DISPID id, std::string& spelling) {
  std::lock_guard<std::mutex> guard(g_paramLock);
  const auto& spellings = ParamSpellings();
  if (id < kFirstParamId || static_cast<size_t>(id - kFirstParamId) >= spellings.size()) return false;
  spelling = spellings[static_cast<size_t>(id - kFirstParamId)];
  return true;
}

bool TakesParam(const std::vector<std::string>& params, const std::string& name) {
  for (const std::string& p : params)
    if (SameText(p, name)) return true;
  return false;
}

std::string OleText(const OLECHAR* text) {
  size_t n = 0;
  while (text[n]) ++n;
  return com::FromOle(text, n);
}

}  // namespace

long LiveObjects() { return g_live.load(); }
void SetOnLastObjectGone(void (*callback)()) { g_onLastGone = callback; }

DispatchTable::DispatchTable() { ++g_live; }

DispatchTable::~DispatchTable() {
  if (--g_live == 0)
    if (auto callback = g_onLastGone.load()) callback();
}

HRESULT DispatchTable::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return QueryOther(riid, object);
}

HRESULT DispatchTable::QueryOther(REFIID, void** object) {
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG DispatchTable::AddRef() { return ++refs_; }

ULONG DispatchTable::Release() {
  const ULONG n = --refs_;
  if (n == 0) delete this;
  return n;
}

HRESULT DispatchTable::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT DispatchTable::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT DispatchTable::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (const HRESULT hr = Reachable(); hr != S_OK) return hr;
  if (!names || !ids || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const std::string member = OleText(names[0]);
  // A member declared again stands for the earlier one.
  size_t found = members_.size();
  for (size_t i = 0; i < members_.size(); ++i)
    if (!Hidden(members_[i]) && SameText(members_[i].name, member)) found = i;
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
    if (TakesParam(members_[found].params, param))
      ids[i] = ParamId(param);
    else
      hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT DispatchTable::Raise(const std::string& description, HRESULT code) {
  pendingException_ = description;
  pendingCode_ = code;
  return DISP_E_EXCEPTION;
}

HRESULT DispatchTable::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* excepInfo, UINT* argErr) {
  if (const HRESULT hr = Reachable(); hr != S_OK) return hr;
  if (!params) return E_INVALIDARG;
  size_t index = 0;
  std::string spelling;
  {
    std::lock_guard<std::mutex> guard(spellingsLock_);
    if (member < 1 || static_cast<size_t>(member) > spellings_.size()) return DISP_E_MEMBERNOTFOUND;
    std::tie(index, spelling) = spellings_[static_cast<size_t>(member - 1)];
  }
  const Member& entry = members_[index];
  if (result) ::VariantInit(result);

  // The block holds the arguments last first, the named ones at its front.
  Arguments args;
  const UINT cNamed = params->cNamedArgs;
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (put) {
    if (cNamed < 1 || params->cArgs < 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
      return DISP_E_PARAMNOTOPTIONAL;
    args.putValue = &params->rgvarg[0];
  } else {
    for (UINT j = cNamed; j-- > 0;) {
      std::string name;
      if (!ParamSpelling(params->rgdispidNamedArgs[j], name) || !TakesParam(entry.params, name))
        return DISP_E_PARAMNOTFOUND;
      args.named.emplace_back(std::move(name), &params->rgvarg[j]);
    }
  }
  for (UINT i = params->cArgs; i-- > cNamed;) args.positional.push_back(&params->rgvarg[i]);

  const Call call{entry, spelling, flags, args};
  Trace(call);
  pendingException_.clear();
  pendingCode_ = E_FAIL;
  const HRESULT hr = Answer(call, result, argErr);
  if (FAILED(hr) && result) ::VariantClear(result);
  if (hr == DISP_E_EXCEPTION && excepInfo) {
    std::memset(excepInfo, 0, sizeof *excepInfo);
    excepInfo->bstrSource = com::UniqueBstr::From(Source()).release();
    excepInfo->bstrDescription = com::UniqueBstr::From(pendingException_).release();
    excepInfo->scode = pendingCode_;
  }
  return hr;
}

HRESULT DispatchTable::Answer(const Call& call, VARIANT* result, UINT* argErr) {
  return AnswerMember(call, result, argErr);
}

HRESULT DispatchTable::AnswerMember(const Call& call, VARIANT* result, UINT* argErr) {
  const Member& entry = call.member;
  if (!(call.flags & entry.allowed)) return DISP_E_MEMBERNOTFOUND;
  if (call.args.positional.size() > entry.params.size()) {
    if (argErr) *argErr = 0;
    return DISP_E_BADPARAMCOUNT;
  }
  const bool put = (call.flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  try {
    return entry.answer(call.args, put, result);
  } catch (const std::exception& e) {
    // Nothing may leave Invoke as an exception.
    return Raise(e.what());
  }
}

void DispatchTable::Declare(const std::string& name, WORD allowed, std::vector<std::string> params, Answerer answer) {
  members_.push_back({name, allowed, std::move(params), std::move(answer)});
}

}  // namespace quillet::automation
