// The call layer against an in-process probe object that records what
// arrives (the doubles' recording IDispatch) and can answer in every way a
// server can: results, by-reference changes, exceptions and failure codes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "TestSupport.h"
#include "core/DispObject.h"
#include "platform/com/ComPtr.h"
#include "platform/error.h"
#include "platform/status.h"
#include "utilities/automation/Automation.h"
#include "utilities/Guarded.h"

namespace quillet {
namespace {

using doubles::CallArgs;
using doubles::Deref;
using ole::Arg;
using ole::Variant;

void SetControlDir(const std::string& dir) {
#ifdef _WIN32
  _putenv_s("QUILLET_DOUBLES_DIR", dir.c_str());
#else
  if (dir.empty())
    ::unsetenv("QUILLET_DOUBLES_DIR");
  else
    ::setenv("QUILLET_DOUBLES_DIR", dir.c_str(), 1);
#endif
}

class Probe : public doubles::DispObject {
 public:
  Probe(std::shared_ptr<doubles::Session> s, const std::string& name) : DispObject(s, name) {
    Method("Record", {"A", "B", "C", "D", "E", "F", "Alpha", "Beta"}, [](const CallArgs&, VARIANT*) { return S_OK; });
    Property(
        "Value",
        [this](const CallArgs&, VARIANT* r) {
          doubles::SetInt(r, value_);
          return S_OK;
        },
        [this](const CallArgs& a, VARIANT*) {
          value_ = Deref(*a.putValue).lVal;
          return S_OK;
        });
    Member("Echo", {"X"}, [](const CallArgs& a, VARIANT* r) {
      return r ? ::VariantCopy(r, const_cast<VARIANT*>(&Deref(*a.positional.at(0)))) : S_OK;
    });
    Method("Swap", {"Text"}, [](const CallArgs& a, VARIANT*) { return Change(*a.positional.at(0)); });
    Method("SwapThenFail", {"Text"}, [](const CallArgs& a, VARIANT*) {
      Change(*a.positional.at(0));
      return DISP_E_TYPEMISMATCH;
    });
    Method("Raise", {"Description"}, [this](const CallArgs& a, VARIANT*) { return Raise(a.Text(0, "Description")); });
    Method("FailWith", {"Code"}, [](const CallArgs& a, VARIANT*) { return static_cast<HRESULT>(a.Int(0, "Code")); });
    Member("Child", {}, [this](const CallArgs&, VARIANT* r) {
      doubles::SetObject(r, new Probe(sessionPtr(), this->name() + ".Child"));
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    ++lookups;
    lastLookup.clear();
    for (UINT i = 0; i < count; ++i) {
      size_t n = 0;
      while (names[i][n]) ++n;
      lastLookup.push_back(com::FromOle(names[i], n));
    }
    return DispObject::GetIDsOfNames(iid, names, count, lcid, ids);
  }

  int lookups = 0;
  std::vector<std::string> lastLookup;

 private:
  // A by-reference text becomes "swapped:<old>"; a by-reference integer grows by one.
  static HRESULT Change(VARIANT& arg) {
    VARIANT* v = &arg;
    if (v->vt == (VT_BYREF | VT_VARIANT)) v = v->pvarVal;
    if (v->vt == (VT_BYREF | VT_BSTR)) {
      const std::string old = com::FromBstr(*v->pbstrVal);
      ::SysFreeString(*v->pbstrVal);
      *v->pbstrVal = com::UniqueBstr::From("swapped:" + old).release();
    } else if (v->vt == VT_BSTR) {
      const std::string old = com::FromBstr(v->bstrVal);
      ::VariantClear(v);
      v->vt = VT_BSTR;
      v->bstrVal = com::UniqueBstr::From("swapped:" + old).release();
    } else if (v->vt == VT_I4) {
      ++v->lVal;
    } else {
      return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
  }
  int32_t value_ = 0;
};

class Automation : public ::testing::Test {
 protected:
  void SetUp() override {
    SetControlDir(dir.path());
    probe = new Probe(std::make_shared<doubles::Session>("Probe", true), "Probe");
    object = Variant(ole::OleObject::Adopt(probe));
  }
  void TearDown() override {
    object = Variant();
    SetControlDir("");
  }
  std::vector<std::string> Calls() const {
    std::vector<std::string> calls;
    std::string all = test::ReadFile(dir / "Probe.transcript"), line;
    for (char c : all) {
      if (c != '\n') {
        line += c;
        continue;
      }
      if (line.rfind("call ", 0) == 0) calls.push_back(line.substr(5));
      line.clear();
    }
    return calls;
  }
  static std::string ErrorOf(const std::function<void()>& call) { return test::ErrorOf(call); }

  test::TempDir dir;
  Probe* probe = nullptr;  // owned by Object
  Variant object;
};

TEST_F(Automation, EachCallKindArrivesWithItsFlags) {
  object.Call("Record");
  object.Get("Value");
  object.CallOrGet("Echo", {5});
  object.Put("Value", 42);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"Probe.Record method", "Probe.Value get", "Probe.Echo method|get 5",
                                               "Probe.Value put 42"}));
  EXPECT_EQ(object.Get("Value").AsInteger(), 42);
}

TEST_F(Automation, ArgumentsArriveInTheCallersOrderWithTheirTypes) {
  object.Call("Record", {1, "two \"q\"", true, 2.5, Variant(), Variant::Missing()}, {{"Beta", 7}, {"Alpha", "x"}});
  EXPECT_EQ(Calls(),
            (std::vector<std::string>{
                "Probe.Record method 1, \"two \"\"q\"\"\", True, 2.5, Empty, Missing, Beta:=7, Alpha:=\"x\""}));
}

TEST_F(Automation, MemberAndNamedArgumentsAreResolvedTogetherAtEveryCall) {
  object.Call("Record", {1}, {{"Alpha", 1}, {"Beta", 2}});
  EXPECT_EQ(probe->lookups, 1);
  EXPECT_EQ(probe->lastLookup, (std::vector<std::string>{"Record", "Alpha", "Beta"}));
  object.Call("Record", {1}, {{"Alpha", 1}, {"Beta", 2}});
  EXPECT_EQ(probe->lookups, 2);  // nothing cached
}

TEST_F(Automation, ResultsComeBackTyped) {
  EXPECT_EQ(object.CallOrGet("Echo", {"text"}).AsString(), "text");
  EXPECT_EQ(object.CallOrGet("Echo", {-12}).AsInteger(), -12);
  EXPECT_TRUE(object.CallOrGet("Echo", {true}).AsBoolean());
  EXPECT_DOUBLE_EQ(object.CallOrGet("Echo", {0.25}).AsDouble(), 0.25);
  EXPECT_TRUE(object.CallOrGet("Echo", {Variant()}).IsEmpty());
  EXPECT_EQ(object.CallOrGet("Echo", {Variant::ErrorCode(7)}).ErrorValue(), 7);
  // Texts travel as 16-bit characters and come back unchanged.
  const std::string text = "caf\xc3\xa9 na\xc3\xafve";
#ifndef _WIN32
  EXPECT_EQ(object.CallOrGet("Echo", {text}).AsString(), text);
#endif
}

TEST_F(Automation, ByReferenceArgumentsAreWrittenBack) {
  std::string text = "old";
  object.Call("Swap", {Arg::Ref(text)});
  EXPECT_EQ(text, "swapped:old");
  EXPECT_EQ(Calls().back(), "Probe.Swap method ByRef \"old\"");

  Variant counter = 41;
  object.Call("Swap", {Arg::Ref(counter)});
  EXPECT_EQ(counter.AsInteger(), 42);
  Variant varText = "v";
  object.Call("Swap", {Arg::Ref(varText)});
  EXPECT_EQ(varText.AsString(), "swapped:v");
}

TEST_F(Automation, ByReferenceArgumentsAreLeftAloneWhenTheCallFails) {
  std::string text = "old";
  EXPECT_NE(ErrorOf([&] { object.Call("SwapThenFail", {Arg::Ref(text)}); }), "(no error)");
  EXPECT_EQ(text, "old");
}

TEST_F(Automation, ErrorTexts) {
  EXPECT_EQ(ErrorOf([&] { object.Call("Nope"); }), "Method 'Nope' not supported by automation object");
  // A named argument the member does not have fails the same way, naming the member.
  EXPECT_EQ(ErrorOf([&] {
              object.Call("Record", {}, {{"Gamma", 1}});
            }),
            "Method 'Record' not supported by automation object");
  EXPECT_EQ(ErrorOf([&] { object.Call("Raise", {"The disk is full."}); }), "The disk is full.");
  EXPECT_EQ(ErrorOf([&] { object.Call("FailWith", {static_cast<int32_t>(0x8004ABCD)}); }), "OLE error 8004abcd");
  // A code the system knows reads as the system's text (which codes have a
  // text differs between systems: the first known one is taken).
  HRESULT known = S_OK;
  for (HRESULT code : {DISP_E_TYPEMISMATCH, E_FAIL, E_NOINTERFACE, E_INVALIDARG, E_OUTOFMEMORY})
    if (known == S_OK && !com::SystemText(code).empty()) known = code;
  ASSERT_NE(known, S_OK);
  EXPECT_EQ(ErrorOf([&] { object.Call("FailWith", {static_cast<int32_t>(known)}); }), com::SystemText(known));
  EXPECT_EQ(ole::OleErrorText(static_cast<int32_t>(0x8004ABCD)), "OLE error 8004abcd");
  EXPECT_EQ(ole::OleErrorText(0x00001234 | static_cast<int32_t>(0xA0040000)), "OLE error a0041234");
}

TEST_F(Automation, FailuresCarryTheirKindAndCode) {
  const auto failureOf = [](const std::function<void()>& call) {
    try {
      call();
    } catch (const Error& e) {
      return e;
    }
    return Error("the call did not fail");
  };
  const int32_t disconnected = static_cast<int32_t>(0x80010108u);
  const Error gone = failureOf([&] { object.Call("FailWith", {disconnected}); });
  EXPECT_EQ(gone.code(), ErrorCode::ServerGone);
  EXPECT_EQ(gone.hresult(), disconnected);
  const Error failed = failureOf([&] { object.Call("FailWith", {static_cast<int32_t>(0x8004ABCD)}); });
  EXPECT_EQ(failed.code(), ErrorCode::Automation);
  EXPECT_EQ(failed.hresult(), static_cast<int32_t>(0x8004ABCD));
  const Error unknown = failureOf([&] { object.Call("Nope"); });
  EXPECT_EQ(unknown.code(), ErrorCode::Automation);
  EXPECT_EQ(unknown.hresult(), static_cast<int32_t>(DISP_E_UNKNOWNNAME));
  // A server that answers with a description of its own is there to answer.
  EXPECT_EQ(failureOf([&] { object.Call("Raise", {"The disk is full."}); }).code(), ErrorCode::Automation);

  // The kind outlives the step that kept the failure as its outcome.
  const Status goneStatus = Capture([&] { object.Call("FailWith", {disconnected}); });
  EXPECT_EQ(goneStatus.code(), ErrorCode::ServerGone);
  EXPECT_EQ(goneStatus.hresult(), disconnected);
  EXPECT_EQ(Capture([&] { object.Call("Nope"); }).code(), ErrorCode::Automation);
  EXPECT_TRUE(Capture([] {}).ok());
}

#ifndef _WIN32
TEST_F(Automation, ATextThatIsNotUtf8IsRefusedBeforeTheServerIsCalled) {
  // Decoded leniently it would arrive as "in/../x.txt": every form an
  // argument can take is refused, and the server sees no call at all.
  const std::string bad = "in/\xC0\xAE\xC0\xAE\xC0\xAFx.txt";
  std::string text = bad;
  Variant varText = bad;
  const std::vector<std::function<void()>> calls{
      [&] {
        object.Call("Record", {1, bad});
      },
      [&] {
        object.Call("Record", {1}, {{"Alpha", bad}});
      },
      [&] { object.Call("Swap", {Arg::Ref(text)}); },
      [&] { object.Call("Swap", {Arg::Ref(varText)}); },
      [&] { object.Put("Value", bad); },
  };
  for (const auto& call : calls) {
    try {
      call();
      ADD_FAILURE() << "the call was made";
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), ErrorCode::InvalidText);
      EXPECT_STREQ(e.what(), "The text \"in/\\xC0\\xAE\\xC0\\xAE\\xC0\\xAFx.txt\" is not valid UTF-8");
    }
  }
  EXPECT_EQ(text, bad);
  EXPECT_EQ(varText.AsString(), bad);
  object.Call("Record", {"after"});
  EXPECT_EQ(Calls(), (std::vector<std::string>{"Probe.Record method \"after\""}));
}
#endif

TEST_F(Automation, AnExceptionWithoutDescriptionStillFails) {
  const std::string text = ErrorOf([&] { object.Call("Raise", {""}); });
  EXPECT_EQ(text, ole::OleErrorText(E_FAIL));
  EXPECT_FALSE(text.empty());
}

TEST_F(Automation, CallsNeedAnObject) {
  EXPECT_EQ(ErrorOf([] { Variant().Call("Quit"); }), "Variant does not hold an automation object");
  EXPECT_EQ(ErrorOf([] { Variant(3).Get("Version"); }), "Variant does not hold an automation object");
}

TEST_F(Automation, ObjectResultsAreCountedReferences) {
  const long before = doubles::LiveObjects();
  {
    Variant child = object.CallOrGet("Child");
    ASSERT_TRUE(child.IsObject());
    EXPECT_EQ(child.CallOrGet("Echo", {3}).AsInteger(), 3);
    Variant copy = child;
    EXPECT_EQ(doubles::LiveObjects(), before + 1);
  }
  EXPECT_EQ(doubles::LiveObjects(), before);  // every reference given back
  // Objects are passed as arguments too.
  EXPECT_TRUE(object.CallOrGet("Echo", {object}).IsObject());
  EXPECT_EQ(doubles::LiveObjects(), before);
}

TEST_F(Automation, InterfaceQueriesOwnWhatTheyGet) {
  const long before = doubles::LiveObjects();
  {
    const ole::OleObject dispatch = object.AsObject();
    // An interface the object offers comes back as a reference of its own.
    com::ComPtr<IUnknown> unknown = dispatch.query<IUnknown>();
    ASSERT_TRUE(unknown);
    com::ComPtr<IUnknown> copy = unknown;
    EXPECT_TRUE(copy == unknown);
    com::ComPtr<IUnknown> moved = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_TRUE(moved == unknown);
    // One it lacks: empty from try_query, the system's text from query.
    EXPECT_FALSE(dispatch.try_query<IClassFactory>());
    EXPECT_EQ(ErrorOf([&] { dispatch.query<IClassFactory>(); }), "No such interface supported");
  }
  EXPECT_EQ(ErrorOf([] { ole::OleObject().query<IUnknown>(); }), "No such interface supported");
  EXPECT_EQ(doubles::LiveObjects(), before);
  // Every reference taken above was given back: the probe goes with the last one.
  object = Variant();
  EXPECT_EQ(doubles::LiveObjects(), before - 1);
}

TEST(Variant, Conversions) {
  EXPECT_EQ(Variant(12).AsString(), "12");
  EXPECT_EQ(Variant(true).AsString(), "True");
  EXPECT_EQ(Variant(2.5).AsString(), "2.5");
  EXPECT_EQ(Variant("17").AsInteger(), 17);
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant(2.6).AsInteger(), 3);
  EXPECT_TRUE(Variant("True").AsBoolean());
  EXPECT_FALSE(Variant("0").AsBoolean());
  EXPECT_EQ(Variant().AsString(), "");
  EXPECT_EQ(Variant::Missing().ErrorValue(), static_cast<int32_t>(DISP_E_PARAMNOTFOUND));
  EXPECT_THROW(Variant("x").AsInteger(), Error);
  EXPECT_THROW(Variant(1).AsObject(), Error);
  EXPECT_THROW(Variant::Missing().AsString(), Error);
}

}  // namespace
}  // namespace quillet
