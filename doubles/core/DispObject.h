// The automation object of the doubles: the shared member table (see
// automation/Dispatch.h) with the doubles' transcript. Every call is written to
// the application's transcript before it is answered, with the member and
// argument names as the caller spelled them; scripted failures are raised
// instead of the answer.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CallArgs.h"
#include "Session.h"
#include "automation/Dispatch.h"
#include "platform/com/ComPtr.h"

namespace quillet::doubles {

using automation::LiveObjects;
using automation::SetOnLastObjectGone;

class DispObject : public automation::DispatchTable {
 public:
  DispObject(std::shared_ptr<Session> session, std::string name);
  ~DispObject() override;

  const std::string& name() const { return name_; }

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

  Session& session() { return *session_; }
  const Session& session() const { return *session_; }
  std::shared_ptr<Session> sessionPtr() const { return session_; }

 private:
  HRESULT Reachable() const override;
  bool Hidden(const automation::DispatchTable::Member& member) const override;
  void Trace(const Call& call) override;
  HRESULT Answer(const Call& call, VARIANT* result, UINT* argErr) override;
  std::string Source() const override { return session_->app(); }
  // The script's key of a member: "object.member" in lower case.
  std::string Key(const automation::DispatchTable::Member& member) const;
  void Declare(const std::string& name, WORD allowed, std::vector<std::string> params, Handler get, Handler put);

  std::shared_ptr<Session> session_;
  std::string name_;
  std::atomic<bool> deleted_{false};
};

}  // namespace quillet::doubles
