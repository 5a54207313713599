// The automation object of the stand-in applications: an IDispatch over a
// table of members. A member is a property (read, and written when it has a
// setter), a method with its parameter names, or an item-like member that
// answers both a call and a property read (collections, Item(i)). Names of
// members and of named arguments compare without regard to case, as COM
// resolves them; a name the table lacks fails GetIDsOfNames with
// DISP_E_UNKNOWNNAME.
//
// A handler answers through its Result or raises: Failure becomes a described
// exception with the application's name as its source, CodeFailure its code,
// and anything else goes through the exception translator (the office layer
// installs one for its own exceptions) or becomes "Unspecified error".
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "automation/CallArgs.h"
#include "automation/Result.h"
#include "platform/com/com.h"

namespace quillet::office {

struct TranslatedFailure {
  HRESULT code;             // DISP_E_EXCEPTION for a described failure
  std::string description;  // used with DISP_E_EXCEPTION
};
// Turns an exception that is neither Failure nor CodeFailure into an answer;
// empty when it does not know it.
using ExceptionTranslator = std::optional<TranslatedFailure> (*)(std::exception_ptr);
void SetExceptionTranslator(ExceptionTranslator translator);

class DispatchObject : public IDispatch {
 public:
  // Source: the application's name in the exceptions it raises ("Microsoft Word").
  explicit DispatchObject(std::string source);
  virtual ~DispatchObject();
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* excepInfo, UINT* argErr) override;

  // Objects of the stand-ins alive in this process.
  static long LiveObjects();

 protected:
  // Interfaces besides IUnknown and IDispatch; none by default.
  virtual HRESULT QueryOther(REFIID riid, void** object);

  using Handler = std::function<void(const CallArgs& args, Result& result)>;
  using Setter = std::function<void(const CallArgs& args)>;
  // A property; Params are its index parameters (none for most).
  void Property(const std::string& name, Handler getter, Setter setter = nullptr, std::vector<std::string> params = {});
  void Method(const std::string& name, std::vector<std::string> params, Handler handler);
  // Answers a call and a property read alike.
  void Item(const std::string& name, std::vector<std::string> params, Handler handler);

  const std::string& source() const { return source_; }

 private:
  struct Entry {
    std::string name;
    WORD allowed;  // DISPATCH_* bits
    std::vector<std::string> params;
    Handler get;
    Setter put;
  };
  HRESULT Run(const Entry& entry, WORD flags, const CallArgs& args, VARIANT* result, std::string& description);

  std::string source_;
  std::atomic<ULONG> refs_{1};
  std::vector<Entry> members_;
};

}  // namespace quillet::office
