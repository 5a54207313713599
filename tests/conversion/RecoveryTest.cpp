// Deadlines and dead applications: a document that hangs its application
// fails when its deadline passes, only an application the converter started
// is ended, and the next request starts a fresh one.
#include <chrono>

#include "ConversionFixture.h"
#include "engine/OfficeConvert.h"
#include "platform/fs.h"

namespace quillet::test {
namespace {

using Recovery = ConversionTest;

size_t Starts(const Lines& calls, const std::string& app) {
  size_t n = 0;
  for (const std::string& c : calls) n += c == app + ".Visible put False";
  return n;
}

TEST_F(Recovery, AHungOpenEndsAtTheDeadlineAndTheNextFileGetsAFreshWord) {
  // A user's Excel runs beside it and is used too: it must survive.
  d.StartRunning(App::Excel);
  ASSERT_TRUE(lib.ConvertSingleFile(File("book.xls"), dir / "book.csv", "6", "MS Excel").ok);

  d.Script(App::Word, "Hang=Word.Documents.Open\n");
  File("a.txt", "an older result");
  const auto r = lib.ConvertSingleFile(File("a.doc"), dir / "a.txt", "2", "MS Word TIMEOUT=2");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorText, "The document took longer than its deadline of 2 seconds: Microsoft Word was ended");
  EXPECT_EQ(lib.GetFieldValue("errorcode").value, "deadline");
  EXPECT_FALSE(os::FileExists(dir / "a.txt"));

  // The next request starts a new Word, which converts.
  d.Script(App::Word, "");
  const auto next = lib.ConvertSingleFile(File("b.doc"), dir / "b.txt", "2", "MS Word");
  EXPECT_TRUE(next.ok) << next.errorText;
  EXPECT_EQ(Starts(Calls(App::Word), "Word"), 2u);
  // The borrowed Excel was not touched and still answers.
  ASSERT_TRUE(lib.ConvertSingleFile(File("book2.xls"), dir / "book2.csv", "6", "MS Excel").ok);
  EXPECT_EQ(Starts(Calls(App::Excel), "Excel"), 1u);
}

TEST_F(Recovery, AnApplicationThatDiedFailsOneFileAndIsReplaced) {
  ASSERT_TRUE(lib.ConvertSingleFile(File("a.doc"), dir / "a.txt", "2", "MS Word").ok);
  d.KillServers(App::Word);
  const auto dead = lib.ConvertSingleFile(File("b.doc"), dir / "b.txt", "2", "MS Word");
  EXPECT_FALSE(dead.ok);
  EXPECT_EQ(dead.errorText.rfind("Microsoft Word ended during the conversion: ", 0), 0u) << dead.errorText;
  EXPECT_EQ(lib.GetFieldValue("errorcode").value, "applicationended");
  const auto next = lib.ConvertSingleFile(File("c.doc"), dir / "c.txt", "2", "MS Word");
  EXPECT_TRUE(next.ok) << next.errorText;
  EXPECT_EQ(Starts(Calls(App::Word), "Word"), 2u);
}

TEST_F(Recovery, ADeadlineIsAWholeNumberOfSeconds) {
  for (const char* bad : {"TIMEOUT=abc", "TIMEOUT=0", "TIMEOUT=", "TIMEOUT=100000", "TIMEOUT=-5"}) {
    const auto r = lib.ConvertSingleFile(File("a.doc"), dir / "a.txt", "2", std::string("MS Word ") + bad);
    const std::string value = std::string(bad).substr(8);
    EXPECT_EQ(r.errorText, "Invalid value '" + value + "' for TIMEOUT= (whole seconds from 1 to 86400)") << bad;
  }
  // Refused before any application was asked.
  EXPECT_EQ(Calls(App::Word), Lines{});
  EXPECT_TRUE(lib.ConvertSingleFile(File("a.doc"), dir / "a.txt", "2", "MS Word TIMEOUT=30,").ok);
}

#ifndef _WIN32
// Windows releases such a call through COM's call cancellation, which Wine
// does not implement; the Linux servers release it themselves. In process:
// on Linux a running instance is found through the process's own table of
// running objects, which a loaded library does not share with the test.
TEST(RecoveryInProcess, ABorrowedApplicationIsNeverEndedButNoLongerUsed) {
  doubles::Doubles d;
  TempDir dir;
  d.Script(App::Word, "Hang=Word.Documents.Open\n");
  d.StartRunning(App::Word);  // the user's Word, which hangs
  d.Script(App::Word, "");    // a Word made from now on does not
  auto conv = std::make_unique<TOfficeConvertClass>();
  WriteFile(dir / "a.doc", "x");
  WriteFile(dir / "b.doc", "x");
  std::string error;
  conv->ConvertDocument(dir / "a.doc", dir / "a.txt", "2", "MS Word TIMEOUT=1", error);
  EXPECT_EQ(error,
            "The document took longer than its deadline of 1 seconds: Microsoft Word does not answer and is no "
            "longer used; it was not started by the converter");
  EXPECT_FALSE(conv->Applications().Slot(TApplication::Word).Started);
  // The next request creates a Word of its own instead of borrowing that one again.
  conv->ConvertDocument(dir / "b.doc", dir / "b.txt", "2", "MS Word", error);
  EXPECT_EQ(error, "");
  EXPECT_TRUE(conv->Applications().Slot(TApplication::Word).Created);
  EXPECT_EQ(Starts(d.Calls(App::Word), "Word"), 2u);
  // Unloading quits the Word it created; the borrowed one is not called again.
  conv.reset();
  EXPECT_EQ(d.Calls(App::Word).back(), "Word.Quit method");
  EXPECT_EQ(Starts(d.Calls(App::Word), "Word"), 2u);
}

TEST(RecoveryInProcess, ABorrowedApplicationGivenUpIsShownAgainAtOnce) {
  doubles::Doubles d;
  TempDir dir;
  d.Script(App::Word, "Hang=Word.Documents.Open\n");
  d.StartRunning(App::Word);  // the user's Word, hidden while the converter holds it
  auto conv = std::make_unique<TOfficeConvertClass>();
  WriteFile(dir / "a.doc", "x");
  std::string error;
  conv->ConvertDocument(dir / "a.doc", dir / "a.txt", "2", "MS Word TIMEOUT=1", error);
  ASSERT_NE(error.find("deadline"), std::string::npos) << error;
  // Given back to its user now, not at unload: the converter no longer holds it.
  const Lines calls = d.Calls(App::Word);
  ASSERT_EQ(Starts(calls, "Word"), 1u);
  EXPECT_EQ(calls.back(), "Word.Visible put True");
}

TEST(RecoveryInProcess, ABridgeThatHangsEndsAtTheDeadlineAndTheNextFileGetsAFreshOne) {
  doubles::Doubles d;
  TempDir dir;
  d.RegisterPlugKit();
  d.Script(App::Acrobat, "Hang=PKApplication.ConvertFile\n");
  auto conv = std::make_unique<TOfficeConvertClass>();
  WriteFile(dir / "a.pdf", "a|b\r\n");
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  conv->ConvertDocument(dir / "a.pdf", dir / "a.txt", "-4", "Adobe Acrobat TIMEOUT=1", error);
  // Without the deadline the call would never return.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(error, "The document took longer than its deadline of 1 seconds: Adobe Acrobat was ended");
  EXPECT_FALSE(conv->Applications().Held(TApplication::Acrobat));

  d.Script(App::Acrobat, "");
  conv->ConvertDocument(dir / "a.pdf", dir / "a.txt", "-4", "Adobe Acrobat", error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(ReadFile(dir / "a.txt"), "a,b\r\n");
}
#endif

}  // namespace
}  // namespace quillet::test
