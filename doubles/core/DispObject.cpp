#include "DispObject.h"

#include <algorithm>

#include "utilities/Strings.h"

namespace quillet::doubles {

namespace {

const char* KindText(WORD flags) {
  switch (flags) {
    case DISPATCH_METHOD:
      return "method";
    case DISPATCH_PROPERTYGET:
      return "get";
    case DISPATCH_METHOD | DISPATCH_PROPERTYGET:
      return "method|get";
    case DISPATCH_PROPERTYPUT:
      return "put";
    case DISPATCH_PROPERTYPUTREF:
      return "putref";
    default:
      return "flags?";
  }
}

}  // namespace

DispObject::DispObject(std::shared_ptr<Session> session, std::string name)
    : session_(std::move(session)), name_(std::move(name)) {
  session_->Write("new " + name_);
}

DispObject::~DispObject() { session_->Write("del " + name_); }

HRESULT DispObject::Reachable() const { return session_->dead() ? RPC_E_DISCONNECTED : S_OK; }

std::string DispObject::Key(const automation::DispatchTable::Member& member) const {
  return LowerCase(name_ + "." + member.name);
}

bool DispObject::Hidden(const automation::DispatchTable::Member& member) const {
  const auto& unknown = session_->script().unknown;
  return std::find(unknown.begin(), unknown.end(), Key(member)) != unknown.end();
}

void DispObject::Trace(const Call& call) {
  std::string line = "call " + name_ + "." + call.spelling + " " + KindText(call.flags);
  std::string list;
  auto add = [&](const std::string& item) { list += (list.empty() ? "" : ", ") + item; };
  for (VARIANT* v : call.args.positional) add(FormatValue(*v));
  for (const auto& [n, v] : call.args.named) add(n + ":=" + FormatValue(*v));
  if (call.args.putValue) add(FormatValue(*call.args.putValue));
  if (!list.empty()) line += " " + list;
  session_->Write(line);
}

HRESULT DispObject::Answer(const Call& call, VARIANT* result, UINT* argErr) {
  const std::string key = Key(call.member);
  const Script& script = session_->script();
  HRESULT hr = S_OK;
  if (!script.hang.empty() && script.hang == key) {
    // A member that never answers: the call ends only when the converter
    // aborts the server (or ends its process).
    session_->Write("hang " + name_ + "." + call.member.name);
    session_->Hang();
    hr = static_cast<HRESULT>(0x80010002u);  // RPC_E_CALL_CANCELED
  } else if (deleted_) {
    hr = Raise("The object has been deleted.");
  } else if (auto f = script.failures.find(key); f != script.failures.end()) {
    hr = Raise(f->second);
  } else if (auto c = script.failCodes.find(key); c != script.failCodes.end()) {
    hr = c->second;
  } else {
    hr = AnswerMember(call, result, argErr);
  }
  if (SUCCEEDED(hr) && !script.disconnectAfter.empty() && script.disconnectAfter == key) session_->Die();
  return hr;
}

void DispObject::Declare(const std::string& name, WORD allowed, std::vector<std::string> params, Handler get,
                         Handler put) {
  automation::DispatchTable::Declare(
      name, allowed, std::move(params),
      [get = std::move(get), put = std::move(put)](const automation::Arguments& args, bool isPut, VARIANT* result) {
        const Handler& handler = isPut ? put : get;
        return handler ? handler(CallArgs(args), result) : DISP_E_MEMBERNOTFOUND;
      });
}

void DispObject::Property(const std::string& name, Handler getter, Handler setter, std::vector<std::string> params) {
  const WORD allowed = DISPATCH_PROPERTYGET | (setter ? DISPATCH_PROPERTYPUT : 0);
  Declare(name, allowed, std::move(params), std::move(getter), std::move(setter));
}

void DispObject::Method(const std::string& name, std::vector<std::string> params, Handler handler) {
  Declare(name, DISPATCH_METHOD, std::move(params), std::move(handler), nullptr);
}

void DispObject::Member(const std::string& name, std::vector<std::string> params, Handler handler) {
  Declare(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(params), std::move(handler), nullptr);
}

void DispObject::Collection(std::function<int32_t()> size, std::function<DispObject*(int32_t index)> make,
                            const std::vector<std::string>& itemNames) {
  Property("Count", [size](const CallArgs&, VARIANT* r) {
    SetInt(r, size());
    return S_OK;
  });
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
