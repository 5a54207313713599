#include "automation/DispatchObject.h"

#include <cstring>

#include "automation/Failure.h"
#include "platform/com/ComPtr.h"

namespace quillet::office {

namespace {

std::atomic<long> g_live{0};
std::atomic<ExceptionTranslator> g_translator{nullptr};

// Named-argument identifiers: the parameter's index in its member's list.
constexpr DISPID kFirstParamId = 0x1000;

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

std::string NameAt(LPOLESTR name) {
  size_t n = 0;
  while (name[n]) ++n;
  return Lower(com::FromOle(name, n));
}

}  // namespace

void SetExceptionTranslator(ExceptionTranslator translator) { g_translator = translator; }

DispatchObject::DispatchObject(std::string source) : source_(std::move(source)) { ++g_live; }

DispatchObject::~DispatchObject() { --g_live; }

long DispatchObject::LiveObjects() { return g_live.load(); }

HRESULT DispatchObject::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return QueryOther(riid, object);
}

HRESULT DispatchObject::QueryOther(REFIID, void** object) {
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG DispatchObject::AddRef() { return ++refs_; }

ULONG DispatchObject::Release() {
  const ULONG n = --refs_;
  if (n == 0) delete this;
  return n;
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const std::string member = NameAt(names[0]);
  const Entry* entry = nullptr;
  for (size_t i = 0; i < members_.size() && !entry; ++i) {
    if (Lower(members_[i].name) == member) {
      entry = &members_[i];
      ids[0] = static_cast<DISPID>(i + 1);
    }
  }
  if (!entry) return DISP_E_UNKNOWNNAME;
  HRESULT hr = S_OK;
  for (UINT i = 1; i < count; ++i) {
    const std::string param = NameAt(names[i]);
    for (size_t k = 0; k < entry->params.size(); ++k)
      if (Lower(entry->params[k]) == param) ids[i] = kFirstParamId + static_cast<DISPID>(k);
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT DispatchObject::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* excepInfo, UINT* argErr) {
  if (member < 1 || static_cast<size_t>(member) > members_.size()) return DISP_E_MEMBERNOTFOUND;
  if (!params) return E_INVALIDARG;
  if (result) ::VariantInit(result);
  const Entry& entry = members_[static_cast<size_t>(member - 1)];

  // The block holds the arguments last first, the named ones at its front.
  CallArgs args;
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  UINT cNamed = params->cNamedArgs;
  if (put) {
    if (cNamed != 1 || params->cArgs < 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
      return DISP_E_PARAMNOTOPTIONAL;
    args.putValue = &params->rgvarg[0];
  } else {
    for (UINT j = cNamed; j-- > 0;) {
      const DISPID id = params->rgdispidNamedArgs[j];
      const size_t k = static_cast<size_t>(id - kFirstParamId);
      if (id < kFirstParamId || k >= entry.params.size()) return DISP_E_PARAMNOTFOUND;
      args.named.emplace_back(entry.params[k], &params->rgvarg[j]);
    }
  }
  for (UINT i = params->cArgs; i-- > cNamed;) args.positional.push_back(&params->rgvarg[i]);
  if (args.positional.size() > entry.params.size()) {
    if (argErr) *argErr = 0;
    return DISP_E_BADPARAMCOUNT;
  }

  std::string description;
  const HRESULT hr = Run(entry, flags, args, result, description);
  if (FAILED(hr) && result) ::VariantClear(result);
  if (hr == DISP_E_EXCEPTION && excepInfo) {
    std::memset(excepInfo, 0, sizeof *excepInfo);
    excepInfo->bstrSource = com::UniqueBstr::From(source_).release();
    excepInfo->bstrDescription = com::UniqueBstr::From(description).release();
    excepInfo->scode = E_FAIL;
  }
  return hr;
}

HRESULT DispatchObject::Run(const Entry& entry, WORD flags, const CallArgs& args, VARIANT* result,
                            std::string& description) {
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (put ? !entry.put : !(flags & entry.allowed)) return DISP_E_MEMBERNOTFOUND;
  try {
    if (put) {
      entry.put(args);
    } else {
      Result answer(result);
      entry.get(args, answer);
    }
    return S_OK;
  } catch (const Failure& e) {
    description = e.what();
    return DISP_E_EXCEPTION;
  } catch (const CodeFailure& e) {
    return e.code();
  } catch (...) {
    if (ExceptionTranslator translate = g_translator.load()) {
      if (auto t = translate(std::current_exception())) {
        description = t->description;
        return t->code;
      }
    }
    return E_FAIL;
  }
}

void DispatchObject::Property(const std::string& name, Handler getter, Setter setter, std::vector<std::string> params) {
  members_.push_back({name, DISPATCH_PROPERTYGET, std::move(params), std::move(getter), std::move(setter)});
}

void DispatchObject::Method(const std::string& name, std::vector<std::string> params, Handler handler) {
  members_.push_back({name, DISPATCH_METHOD, std::move(params), std::move(handler), nullptr});
}

void DispatchObject::Item(const std::string& name, std::vector<std::string> params, Handler handler) {
  members_.push_back(
      {name, static_cast<WORD>(DISPATCH_METHOD | DISPATCH_PROPERTYGET), std::move(params), std::move(handler), nullptr});
}

}  // namespace quillet::office
