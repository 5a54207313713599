// Late-bound automation calls, the one way the engine talks to Word, Excel,
// PowerPoint and the other automation servers. A member is named by text at
// run time; its name and the names of the named arguments are resolved in one
// GetIDsOfNames request at every call (nothing is cached, so a server that
// changes underneath is always asked afresh).
//
// This header is platform-neutral: the COM types stay in Automation.cpp and
// src/platform/com/.
//
//   Variant word = ...;                                   // holds an object
//   std::string v = word.Get("Version").AsString();        // property get
//   word.Put("Visible", false);                           // property put
//   Variant doc = word.CallOrGet("Documents").Call("Open", {file}, {{"ReadOnly", true}});
//   std::string text; obj.Call("Fill", {Arg::Ref(text)}); // by-reference text
//
// Every failure raises quillet::Error with the texts:
//   - unknown member or argument name: "Method '<name>' not supported by automation object"
//   - the server raised an exception: the server's own description
//   - any other failure code: the system's text for it, else "OLE error <8 hex digits>"
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/com/com_ptr.h"

struct IDispatch;
struct IQuilletServerControl;

namespace quillet::ole {

// A counted reference to an automation object.
using OleObject = com::ComPtr<IDispatch>;

enum class CallKind {
  Method,       // DISPATCH_METHOD
  PropertyGet,  // DISPATCH_PROPERTYGET
  MethodOrGet,  // both: a member that is read and then called, such as a collection
  PropertyPut,  // DISPATCH_PROPERTYPUT
};

class Arg;
struct NamedArg;
using Args = std::vector<Arg>;
using NamedArgs = std::vector<NamedArg>;
// The empty lists, as default arguments before Arg and NamedArg are complete.
const Args& NoArgs();
const NamedArgs& NoNamedArgs();

// A value passed to or returned by an automation call: empty (Unassigned), a
// 32-bit integer, a Boolean, a double, a text, an object, or an error code
// (an error code DISP_E_PARAMNOTFOUND marks an omitted optional argument).
class Variant {
 public:
  enum class Type { Empty, Integer, Boolean, Double, String, Object, Error };

  Variant() = default;
  Variant(int32_t v) : value_(v) {}
  Variant(bool v) : value_(v) {}
  Variant(double v) : value_(v) {}
  Variant(std::string v) : value_(std::move(v)) {}
  Variant(const char* v) : value_(std::string(v ? v : "")) {}
  Variant(OleObject v);
  static Variant ErrorCode(int32_t scode);
  static Variant Missing();  // an omitted optional argument

  Type type() const { return static_cast<Type>(value_.index()); }
  bool IsEmpty() const { return type() == Type::Empty; }
  bool IsObject() const { return type() == Type::Object; }

  // Conversions; each raises Error when the value cannot be read as asked.
  int32_t AsInteger() const;
  bool AsBoolean() const;
  double AsDouble() const;
  std::string AsString() const;
  const OleObject& AsObject() const;
  int32_t ErrorValue() const;

  // Calls on the object this value holds; raises Error when it holds none.
  Variant Invoke(CallKind kind, const std::string& member, const Args& args = NoArgs(),
                 const NamedArgs& named = NoNamedArgs()) const;
  Variant Call(const std::string& member, const Args& args = NoArgs(), const NamedArgs& named = NoNamedArgs()) const;
  Variant Get(const std::string& member, const Args& args = NoArgs()) const;
  Variant CallOrGet(const std::string& member, const Args& args = NoArgs(),
                    const NamedArgs& named = NoNamedArgs()) const;
  // Index arguments (if any) come before the new value, as in obj.Item(1) := v.
  void Put(const std::string& member, const Variant& value, const Args& index = NoArgs()) const;

  bool operator==(const Variant& o) const { return value_ == o.value_; }

  // Lets go of an object without releasing it: for a server that may not
  // answer a release. The value is empty afterwards.
  void Leak();

 private:
  struct ErrorBox {
    int32_t scode;
    bool operator==(const ErrorBox&) const = default;
  };
  std::variant<std::monostate, int32_t, bool, double, std::string, OleObject, ErrorBox> value_;
};

// One argument of a call: a value, or a reference to the caller's text or
// Variant that the server may change (written back after a successful call).
class Arg {
 public:
  Arg(Variant v) : value_(std::move(v)) {}
  Arg(int32_t v) : value_(v) {}
  Arg(bool v) : value_(v) {}
  Arg(double v) : value_(v) {}
  Arg(const char* v) : value_(v) {}
  Arg(std::string v) : value_(std::move(v)) {}
  Arg(OleObject v) : value_(std::move(v)) {}
  static Arg Ref(std::string& text) {
    Arg a{Variant()};
    a.text_ = &text;
    return a;
  }
  static Arg Ref(Variant& value) {
    Arg a{Variant()};
    a.variant_ = &value;
    return a;
  }

  bool byRef() const { return text_ || variant_; }
  const Variant& value() const { return value_; }
  std::string* textRef() const { return text_; }
  Variant* variantRef() const { return variant_; }

 private:
  Variant value_;
  std::string* text_ = nullptr;
  Variant* variant_ = nullptr;
};

struct NamedArg {
  std::string name;
  Arg value;
};

// The one call: resolves Member and the names of Named in one GetIDsOfNames
// request, invokes with Args in order followed by Named in order, writes the
// by-reference arguments back, and returns the result (empty when none).
Variant Invoke(const OleObject& object, CallKind kind, const std::string& member, const Args& args = NoArgs(),
               const NamedArgs& named = NoNamedArgs());

// Activation by ProgID.
// The running instance registered for the ProgID's class, asked for its
// automation interface; false (and Object untouched) when there is none.
bool GetActiveOleObject(const std::string& progId, OleObject& object);
// A new instance, in-process or local server (context 5); raises Error.
OleObject CreateOleObject(const std::string& progId);

// The message for a failure code: the system's text, or "OLE error %.8x".
std::string OleErrorText(int32_t code);

// Stopping a server that does not answer. The executable name of ProgID's
// local server ("WINWORD.EXE"), empty for in-process servers and on Linux.
std::string LocalServerExeName(const std::string& progId);
// Makes the calls of the calling thread cancellable from another thread, and
// cancels the call that thread ThreadId waits in; false when the system
// cannot (Linux, Wine).
void EnableCallCancellation();
bool CancelCall(uint32_t threadId);

// The control interface of the library's own servers (the LibreOffice
// stand-ins); empty for any other object. Both calls may be made from any
// thread, also while another thread waits inside a call of the server.
class ServerControl {
 public:
  ServerControl() = default;
  static ServerControl Of(const OleObject& object);
  explicit operator bool() const { return static_cast<bool>(control_); }
  // The id of the working process the server started itself, else 0.
  uint32_t StartedProcessId() const;
  // Releases the blocked calls; ends the working process if the server started it.
  bool Abort() const;

 private:
  com::ComPtr<IQuilletServerControl> control_;
};

}  // namespace quillet::ole
