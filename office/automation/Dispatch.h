// The automation object shared by the application doubles and the stand-ins:
// an IDispatch over a table of members. A member answers to the DISPATCH_*
// kinds it was declared with (a property read, a put when it is writable, a
// call, or a read and a call alike for collections and Item) and takes its
// parameters by position or by name.
//
// Names compare without regard to case, as COM resolves them, but an object
// learns how its caller spelled them: GetIDsOfNames hands out one identifier
// per spelling of a member, and one per spelling of a parameter, so that the
// call that follows can be told with the caller's own names. A layer hears of
// every call before it is answered (Trace), may refuse it (Answer) and may
// hide members or stop answering altogether.
//
// A member's answer fills its result or returns a failure code; Raise() makes
// it a described exception with Source() as its source, and an exception that
// leaves an answer becomes one too.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "automation/Arguments.h"
#include "platform/com/com.h"

namespace quillet::automation {

// Automation objects alive in this process, for the servers' lifetime and the
// tests.
long LiveObjects();
// Called whenever the count of live objects drops to zero.
void SetOnLastObjectGone(void (*callback)());

class DispatchTable : public IDispatch {
 public:
  DispatchTable();
  virtual ~DispatchTable();
  DispatchTable(const DispatchTable&) = delete;
  DispatchTable& operator=(const DispatchTable&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* excepInfo, UINT* argErr) override;

 protected:
  // Answers into Result (null when the caller wants none); Put tells a
  // property put from a read or a call.
  using Answerer = std::function<HRESULT(const Arguments& args, bool put, VARIANT* result)>;
  struct Member {
    std::string name;
    WORD allowed;  // DISPATCH_* bits the member answers to
    std::vector<std::string> params;
    Answerer answer;
  };
  // One call, as the caller made it.
  struct Call {
    const Member& member;
    const std::string& spelling;  // the member's name as the caller wrote it
    WORD flags;
    const Arguments& args;  // named ones under the caller's spelling
  };

  void Declare(const std::string& name, WORD allowed, std::vector<std::string> params, Answerer answer);

  // Interfaces besides IUnknown and IDispatch; none by default.
  virtual HRESULT QueryOther(REFIID riid, void** object);
  // S_OK while the object answers; otherwise what every call fails with.
  virtual HRESULT Reachable() const { return S_OK; }
  // A member the table holds but callers must not find.
  virtual bool Hidden(const Member&) const { return false; }
  // Told of every call before it is answered.
  virtual void Trace(const Call&) {}
  // The answer to a call; by default the member's own (AnswerMember).
  virtual HRESULT Answer(const Call& call, VARIANT* result, UINT* argErr);
  // The source of the described exceptions ("Microsoft Word").
  virtual std::string Source() const = 0;

  // The member's answer, when it answers to the call's kind and takes that
  // many arguments.
  HRESULT AnswerMember(const Call& call, VARIANT* result, UINT* argErr);
  // Makes the call's answer a described exception.
  HRESULT Raise(const std::string& description, HRESULT code = E_FAIL);

 private:
  std::atomic<ULONG> refs_{1};
  std::vector<Member> members_;
  // The names callers resolved, one identifier per spelling: Invoke learns
  // from the identifier how the caller wrote the member.
  std::mutex spellingsLock_;
  std::vector<std::pair<size_t, std::string>> spellings_;  // member index, spelling
  std::string pendingException_;
  HRESULT pendingCode_ = E_FAIL;
};

}  // namespace quillet::automation
