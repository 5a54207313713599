// The automation object of the doubles: an IDispatch over a table of members,
// each a property (get, and put when writable) or a method with its parameter
// names. Every call is written to the application's transcript before it is
// answered, with the member and argument names as the caller spelled them;
// scripted failures are raised instead of the answer.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "CallArgs.h"
#include "Session.h"
#include "platform/com/ComPtr.h"

namespace quillet::doubles {

// Objects alive in this process, for the servers' lifetime and the tests.
long LiveObjects();
// Called whenever the count of live objects drops to zero.
void SetOnLastObjectGone(void (*callback)());

class DispObject : public IDispatch {
 public:
  DispObject(std::shared_ptr<Session> session, std::string name);
  virtual ~DispObject();
  DispObject(const DispObject&) = delete;
  DispObject& operator=(const DispObject&) = delete;

  const std::string& name() const { return name_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* excepInfo, UINT* argErr) override;

 protected:
  // A handler answers into Result (which may be null when the caller wants
  // none) or returns a failure code; Raise() gives a described exception.
  using Handler = std::function<HRESULT(const CallArgs& args, VARIANT* result)>;
  // A readable property; Setter makes it writable.
  void Property(const std::string& name, Handler getter, Handler setter = nullptr,
                std::vector<std::string> params = {});
  void Method(const std::string& name, std::vector<std::string> params, Handler handler);
  // A collection-like member that is both read and called (Documents, Item).
  void Member(const std::string& name, std::vector<std::string> params, Handler handler);
  // The members of a collection of Size items: Count, and each of ItemNames
  // (Item, or Item and Items) taking an Index from 1 and answering Make(Index);
  // an index out of range raises kNoSuchItem.
  void Collection(std::function<int32_t()> size, std::function<DispObject*(int32_t index)> make,
                  const std::vector<std::string>& itemNames = {"Item"});

  // From now on every call raises "The object has been deleted." (a closed
  // document).
  void MarkDeleted() { deleted_ = true; }

  // Interfaces besides IUnknown and IDispatch; none by default.
  virtual HRESULT QueryOther(REFIID riid, void** object);

  Session& session() { return *session_; }
  const Session& session() const { return *session_; }
  std::shared_ptr<Session> sessionPtr() const { return session_; }
  // Makes the next answer a described exception.
  HRESULT Raise(const std::string& description);

 private:
  struct Entry {
    std::string name;
    WORD allowed;  // DISPATCH_* bits the member answers to
    std::vector<std::string> params;
    Handler get, put, call;
  };
  std::shared_ptr<Session> session_;
  std::string name_;
  std::atomic<ULONG> refs_{1};
  std::vector<Entry> members_;
  // The names callers resolved, one identifier per spelling: Invoke learns
  // from the identifier how the caller wrote the member.
  std::mutex spellingsLock_;
  std::vector<std::pair<size_t, std::string>> spellings_;  // member index, spelling
  std::atomic<bool> deleted_{false};
  std::string pendingException_;
};

}  // namespace quillet::doubles
