// The automation object of the stand-in applications: the shared member
// table (automation/Dispatch.h) with the stand-ins' way of failing. A member
// is a property (read, and written when it has a setter), a method with its
// parameter names, or an item-like member that answers both a call and a
// property read (collections, Item(i)). A name the table lacks fails
// GetIDsOfNames with DISP_E_UNKNOWNNAME.
//
// A handler answers through its Result or raises: Failure becomes a described
// exception with the application's name as its source, CodeFailure its code,
// and anything else goes through the exception translator (the office layer
// installs one for its own exceptions) or becomes "Unspecified error".
#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "automation/CallArgs.h"
#include "automation/Dispatch.h"
#include "automation/Result.h"
#include "platform/com/com.h"

namespace quillet::office {

using automation::Result;

struct TranslatedFailure {
  HRESULT code;             // DISP_E_EXCEPTION for a described failure
  std::string description;  // used with DISP_E_EXCEPTION
};
// Turns an exception that is neither Failure nor CodeFailure into an answer;
// empty when it does not know it.
using ExceptionTranslator = std::optional<TranslatedFailure> (*)(std::exception_ptr);
void SetExceptionTranslator(ExceptionTranslator translator);

class DispatchObject : public automation::DispatchTable {
 public:
  // Source: the application's name in the exceptions it raises ("Microsoft Word").
  explicit DispatchObject(std::string source);

  // Objects of the stand-ins alive in this process.
  static long LiveObjects() { return automation::LiveObjects(); }

 protected:
  using Handler = std::function<void(const CallArgs& args, Result& result)>;
  using Setter = std::function<void(const CallArgs& args)>;
  // A property; Params are its index parameters (none for most).
  void Property(const std::string& name, Handler getter, Setter setter = nullptr, std::vector<std::string> params = {});
  void Method(const std::string& name, std::vector<std::string> params, Handler handler);
  // Answers a call and a property read alike.
  void Item(const std::string& name, std::vector<std::string> params, Handler handler);

  const std::string& source() const { return source_; }
  std::string Source() const override { return source_; }

 private:
  void Declare(const std::string& name, WORD allowed, std::vector<std::string> params, Handler get, Setter put);

  std::string source_;
};

}  // namespace quillet::office
