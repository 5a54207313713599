// The COM subset of systems without COM: BSTRs, VARIANT copies, text
// conversion, the server registry and activation, the running-object table.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <utility>

#include "TestSupport.h"
#include "core/Office.h"
#include "core/DispObject.h"
#include "platform/com/ComPtr.h"
#include "platform/error.h"
#include "utilities/automation/Automation.h"

namespace quillet {
namespace {

using com::ComPtr;

TEST(ComPosix, BstrCarriesItsLengthInFront) {
  const char16_t text[] = {u'a', 0, u'b'};
  BSTR b = ::SysAllocStringLen(text, 3);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(::SysStringLen(b), 3u);
  EXPECT_EQ(reinterpret_cast<uint32_t*>(b)[-1], 6u);  // bytes
  EXPECT_EQ(b[1], 0);
  EXPECT_EQ(b[3], 0);  // terminated
  com::UniqueBstr owned(b);
  EXPECT_EQ(::SysAllocString(nullptr), nullptr);
  EXPECT_EQ(::SysStringLen(nullptr), 0u);
  com::UniqueBstr empty(::SysAllocString(u""));
  EXPECT_EQ(::SysStringLen(empty.get()), 0u);
}

TEST(ComPosix, TextConversionKeepsEveryCharacter) {
  const std::string text = "A\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80";  // A, e acute, euro, an emoji
  const com::OleString w = com::ToOle(text);
  EXPECT_EQ(w, (com::OleString{u'A', 0xE9, 0x20AC, 0xD83D, 0xDE00}));
  EXPECT_EQ(com::FromOle(w.data(), w.size()), text);
}

// The error a conversion raised: its kind and text.
std::pair<ErrorCode, std::string> FailureOf(const std::function<void()>& convert) {
  try {
    convert();
  } catch (const Error& e) {
    return {e.code(), e.what()};
  }
  return {ErrorCode::Failure, "no error"};
}

TEST(ComPosix, TextThatIsNotUtf8NeverReachesAServer) {
  // Decoded leniently, C0 AE C0 AE C0 AF is "../": a name checked for "/"
  // and ".." became a path out of its folder.
  EXPECT_EQ(FailureOf([] { com::ToOle("in/\xC0\xAE\xC0\xAE\xC0\xAFx.txt"); }),
            std::pair(ErrorCode::InvalidText,
                      std::string("The text \"in/\\xC0\\xAE\\xC0\\xAE\\xC0\\xAFx.txt\" is not valid UTF-8")));
  for (const char* bad : {"\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "a\x80",
                          "\xFF"
                          "a",
                          "\xE2\x82"}) {
    EXPECT_EQ(FailureOf([&] { com::ToOle(bad); }).first, ErrorCode::InvalidText) << bad;
    EXPECT_THROW(com::UniqueBstr::From(bad), Error) << bad;
  }
  // Nor does a surrogate without its other half come back as text.
  const char16_t lone[] = {u'a', 0xD800, u'b'};
  EXPECT_EQ(FailureOf([&] { com::FromOle(lone, 3); }),
            std::pair(ErrorCode::InvalidText, std::string("The text \"a\\uD800b\" is not valid UTF-16")));
  // The system functions answer such a text with their code, as for any bad name.
  CLSID clsid{};
  EXPECT_EQ(::CLSIDFromString(u"{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E770\xD800}", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(::CLSIDFromProgID(u"Word.Application\xDC00", &clsid), CO_E_CLASSSTRING);
}

TEST(ComPosix, VariantCopyIsDeep) {
  com::UniqueVariant a, b;
  a.get()->vt = VT_BSTR;
  a.get()->bstrVal = com::UniqueBstr::From("text").release();
  ASSERT_EQ(::VariantCopy(b.get(), a.get()), S_OK);
  EXPECT_NE(b.get()->bstrVal, a.get()->bstrVal);
  EXPECT_EQ(com::FromBstr(b.get()->bstrVal), "text");

  const long before = doubles::LiveObjects();
  {
    com::UniqueVariant c, d;
    c.get()->vt = VT_DISPATCH;
    c.get()->pdispVal = doubles::CreateApplication(doubles::AppKind::Excel, true);
    ::VariantCopy(d.get(), c.get());
    c.reset();
    EXPECT_EQ(doubles::LiveObjects(), before + 1);  // the copy holds its own reference
  }
  EXPECT_EQ(doubles::LiveObjects(), before);
}

class Registry : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("QUILLET_AUTOMATION_REGISTRY", (dir / "servers").c_str(), 1); }
  void TearDown() override { ::unsetenv("QUILLET_AUTOMATION_REGISTRY"); }
  void Write(const std::string& text) { test::WriteFile(dir / "servers", text); }
  test::TempDir dir;
  static constexpr const char* kWord = "{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7701}";
};

TEST_F(Registry, ProgIdsAreLookedUpWithoutRegardToCase) {
  Write(std::string("# comment\n\nbroken line\nWord.Application ") + kWord + " WordGetClassObject /x/y.so\n");
  CLSID clsid{};
  ASSERT_EQ(::CLSIDFromProgID(u"word.APPLICATION", &clsid), S_OK);
  EXPECT_EQ(clsid, doubles::AppClsid(doubles::AppKind::Word));
  EXPECT_EQ(::CLSIDFromProgID(u"Word.Application.8", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(::CLSIDFromProgID(u"{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7702}", &clsid), S_OK);
  EXPECT_EQ(clsid, doubles::AppClsid(doubles::AppKind::Excel));
  EXPECT_EQ(::CLSIDFromString(u"{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E77}", &clsid), CO_E_CLASSSTRING);
}

TEST_F(Registry, ActivationFailuresHaveTheirCodes) {
  const CLSID word = doubles::AppClsid(doubles::AppKind::Word);
  ComPtr<IDispatch> d;
  Write(std::string("Word.Application ") + kWord + " WordGetClassObject " + (dir / "missing.so") + "\n");
  EXPECT_EQ(::CoCreateInstance(word, nullptr, 5, IID_IDispatch, d.put_void()), CO_E_DLLNOTFOUND);
  Write(std::string("Word.Application ") + kWord + " NoSuchFactory " + QUILLET_OFFICE_DOUBLES_LIB + "\n");
  EXPECT_EQ(::CoCreateInstance(word, nullptr, 5, IID_IDispatch, d.put_void()), CO_E_ERRORINDLL);
  Write(std::string("Word.Application ") + kWord + " ExcelGetClassObject " + QUILLET_OFFICE_DOUBLES_LIB + "\n");
  EXPECT_EQ(::CoCreateInstance(word, nullptr, 5, IID_IDispatch, d.put_void()), CLASS_E_CLASSNOTAVAILABLE);
  Write(std::string("Word.Application ") + kWord + " WordGetClassObject " + QUILLET_OFFICE_DOUBLES_LIB + "\n");
  EXPECT_EQ(::CoCreateInstance(word, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, d.put_void()), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(::CoCreateInstance(doubles::AppClsid(doubles::AppKind::Excel), nullptr, 5, IID_IDispatch, d.put_void()),
            REGDB_E_CLASSNOTREG);
  ASSERT_EQ(::CoCreateInstance(word, nullptr, 5, IID_IDispatch, d.put_void()), S_OK);
  EXPECT_TRUE(d);

  EXPECT_EQ(test::ErrorOf([] { ole::CreateOleObject("Nothing.Here"); }), "Invalid class string");
}

TEST_F(Registry, RunningObjectTableHoldsAndGivesBackReferences) {
  Write(std::string("Word.Application ") + kWord + " WordGetClassObject /x/y.so\n");
  const CLSID word = doubles::AppClsid(doubles::AppKind::Word);
  ole::OleObject found;
  EXPECT_FALSE(ole::GetActiveOleObject("Word.Application", found));
  ComPtr<IUnknown> none;
  EXPECT_EQ(::GetActiveObject(word, nullptr, none.put()), MK_E_UNAVAILABLE);

  const long before = doubles::LiveObjects();
  DWORD cookie = 0;
  {
    auto app = ComPtr<IDispatch>::Adopt(doubles::CreateApplication(doubles::AppKind::Word, false));
    ASSERT_EQ(::RegisterActiveObject(app.get(), word, ACTIVEOBJECT_STRONG, &cookie), S_OK);
  }
  EXPECT_EQ(doubles::LiveObjects(), before + 1);  // held by the table alone
  ASSERT_TRUE(ole::GetActiveOleObject("Word.Application", found));
  EXPECT_TRUE(ole::Variant(found).Get("Visible").AsBoolean());  // the user's instance
  found.reset();
  EXPECT_EQ(::RevokeActiveObject(cookie, nullptr), S_OK);
  EXPECT_EQ(::RevokeActiveObject(cookie, nullptr), E_INVALIDARG);
  EXPECT_EQ(doubles::LiveObjects(), before);
  EXPECT_FALSE(ole::GetActiveOleObject("Word.Application", found));
}

}  // namespace
}  // namespace quillet

#endif
