// The fields the library's boundary answers itself: the kind of the calling
// thread's last failure, and the PASSWORD= keyword as the option reader reads
// it back. Against the built library, with the application doubles.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "DoubleControl.h"
#include "QuilletLibrary.h"
#include "TestSupport.h"
#include "quillet/quillet.h"

namespace quillet::test {
namespace {

// GetFieldValue with a parameter, by the two-call protocol.
std::string FieldWith(QuilletLibrary& lib, const std::string& name, const std::string& param) {
  std::vector<char> error(QUILLET_ERROR_TEXT_MAX, '\0');
  const int32_t len = lib.GetFieldValueRaw(name.c_str(), param.c_str(), nullptr, 0, error.data());
  std::string value(static_cast<size_t>(len) + 1, '#');
  lib.GetFieldValueRaw(name.c_str(), param.c_str(), value.data(), len, error.data());
  value.resize(static_cast<size_t>(len));
  return value;
}

TEST(ErrorCodeField, TellsTheKindOfTheCallingThreadsLastFailureWithoutItsText) {
  doubles::Doubles d;
  d.Script(doubles::App::Word, "Fail=Word.Document(b.doc).SaveAs|Disk b is full.\n");
  QuilletLibrary lib(QUILLET_LIBRARY);
  TempDir dir;
  auto code = [&] { return lib.GetFieldValue(QUILLET_FIELD_ERRORCODE).value; };
  EXPECT_EQ(code(), "");  // nothing has failed yet

  EXPECT_FALSE(lib.ConvertSingleFile(dir / "none.doc", dir / "none.txt", "2", "").ok);
  EXPECT_EQ(code(), QUILLET_ERROR_INVALIDREQUEST);
  EXPECT_EQ(code(), QUILLET_ERROR_INVALIDREQUEST) << "asking for the code is no call that changes it";

  WriteFile(dir / "a.doc", "x");
  EXPECT_FALSE(lib.ConvertSingleFile(dir / "a.doc", dir / "a.txt", "2", "MS Word TIMEOUT=soon").ok);
  EXPECT_EQ(code(), QUILLET_ERROR_INVALIDOPTION);
#ifndef _WIN32
  EXPECT_FALSE(lib.ConvertSingleFile(dir / "a.doc", dir / "a\xC0.txt", "2", "").ok);
  EXPECT_EQ(code(), QUILLET_ERROR_INVALIDTEXT);
#endif
  WriteFile(dir / "b.doc", "x");
  EXPECT_FALSE(lib.ConvertSingleFile(dir / "b.doc", dir / "b.txt", "2", "MS Word").ok);
  EXPECT_EQ(code(), QUILLET_ERROR_AUTOMATION);

  // A success clears it; another thread's failure is that thread's.
  ASSERT_TRUE(lib.ConvertSingleFile(dir / "a.doc", dir / "a.txt", "2", "MS Word").ok);
  EXPECT_EQ(code(), "");
  std::string there;
  std::thread([&] {
    lib.ConvertSingleFile(dir / "none.doc", dir / "none.txt", "2", "");
    there = code();
  }).join();
  EXPECT_EQ(there, QUILLET_ERROR_INVALIDREQUEST);
  EXPECT_EQ(code(), "");

  // A folder run answers the kind of the file that failed; a field answered
  // is a call that succeeded.
  const TempDir in;
  WriteFile(in / "b.doc", "x");
  EXPECT_FALSE(lib.ConvertFolder(in / "*.doc", dir / "out", "2", 0, "TIMEOUT=0", dir / "report.txt"));
  EXPECT_EQ(code(), QUILLET_ERROR_INVALIDOPTION);
  EXPECT_EQ(lib.GetFieldValue("softwarename").value, "Quillet COM");
  EXPECT_EQ(code(), "");
}

TEST(PasswordOptionField, QuotesThePasswordAsTheOptionReaderReadsItBack) {
  QuilletLibrary lib(QUILLET_LIBRARY);
  EXPECT_EQ(FieldWith(lib, "passwordoption", "secret"), "PASSWORD=secret");
  EXPECT_EQ(FieldWith(lib, "passwordoption", "my secret"), "PASSWORD=\"my secret\"");
  EXPECT_EQ(FieldWith(lib, "passwordoption", ""), "PASSWORD=\"\"");
  EXPECT_EQ(FieldWith(lib, "passwordoption", "say \"hi\""), "PASSWORD=\"say \"\"hi\"\"\"");
  EXPECT_EQ(FieldWith(lib, "passwordoption", "\"lead"), "PASSWORD=\"\"\"lead\"");
  EXPECT_EQ(FieldWith(lib, "passwordoption", "tab\there"), "PASSWORD=\"tab\there\"");
}

}  // namespace
}  // namespace quillet::test
