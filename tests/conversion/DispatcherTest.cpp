// The single-file dispatcher: which application a request goes to, the
// version gates, and the routes, seen from the caller of ConvertSingleFile.
#include <vector>

#include "ConversionFixture.h"
#include "platform/sysinfo.h"

namespace quillet::test {
namespace {

using Dispatcher = ConversionTest;

TEST_F(Dispatcher, AMissingSourceFailsBeforeAnyApplicationStarts) {
  const std::string src = dir / "missing.doc";
  const auto r = lib.ConvertSingleFile(src, dir / "a.txt", "2", "");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorText, "Source file \"" + src + "\" do not exist");
  EXPECT_EQ(Calls(App::Word), Lines{});
}

TEST_F(Dispatcher, NullArgumentsReadAsEmptyTexts) {
  std::vector<char> error(1024, '#');
  EXPECT_FALSE(lib.ConvertSingleFileRaw(nullptr, nullptr, nullptr, nullptr, error.data()));
  EXPECT_STREQ(error.data(), "Source file \"\" do not exist");
  // A null option beside real paths is an empty option: the extension decides.
  const std::string src = File("a.doc");
  EXPECT_TRUE(lib.ConvertSingleFileRaw(src.c_str(), (dir / "a.txt").c_str(), "2", nullptr, error.data()));
  EXPECT_STREQ(error.data(), "");
  EXPECT_EQ(CallsWith(App::Word, "Documents.Open").size(), 1u);
}

TEST_F(Dispatcher, ApplicationKeywordsAreTestedInTheirOwnOrderAndTheLastFoundWins) {
  const std::string src = File("book.xls");
  // Excel is tested after Word, so it wins whatever the text order.
  ASSERT_TRUE(lib.ConvertSingleFile(src, dir / "book.txt", "2", "MS Excel, MS Word").ok);
  EXPECT_EQ(CallsWith(App::Excel, "Workbooks.Open").size(), 1u);
  EXPECT_EQ(Calls(App::Word), Lines{});
  // "No MS Word" beats the "MS Word" inside it: the route without Word.
  doubles::UseFormatBridge("full");
  const auto r = lib.ConvertSingleFile(src, dir / "book.txt", "2", "No MS Word");
  EXPECT_EQ(r.errorText, "");
  EXPECT_EQ(ReadFile(d.dir() + "/fmtbridge.transcript"),
            "call NoWordConvert \"" + src + "\", \"\", \"" + (dir / "book.txt") + "\", \"2\", \"\"\n");
  EXPECT_EQ(Calls(App::Word), Lines{});
  // Keywords are case-sensitive: "ms excel" names nothing, so the extension
  // decides, and every row of the table names Word.
  ASSERT_TRUE(lib.ConvertSingleFile(src, dir / "book.txt", "2", "ms excel").ok);
  EXPECT_EQ(CallsWith(App::Word, "Documents.Open").size(), 1u);
  EXPECT_EQ(CallsWith(App::Excel, "Workbooks.Open").size(), 1u);
}

TEST_F(Dispatcher, WebPageSavesNeedOffice2000AndAreRefusedAfterTheStart) {
  d.Script(App::Excel, "Version=8.0b\n");
  d.Script(App::PowerPoint, "Version=8.0\n");
  const std::string book = File("book.xls"), deck = File("deck.ppt");
  auto r = lib.ConvertSingleFile(book, dir / "book.htm", "44", "MS Excel");
  EXPECT_EQ(r.errorText, "You must Install MS office 2000 or above, so you can convert xls to html, please try again!");
  EXPECT_EQ(Calls(App::Excel), (Lines{"Excel.Visible put False", "Excel.Version get"}));
  r = lib.ConvertSingleFile(deck, dir / "deck.htm", "12", "MS Powerpoint");
  EXPECT_EQ(r.errorText, "You must Install MS office 2000 or above, so you can convert ppt to html, please try again!");
  EXPECT_EQ(CallsWith(App::PowerPoint, "Presentations"), Lines{});
  // The gate compares the code as text: "044" is not "44" (the save still
  // gets the number 44).
  r = lib.ConvertSingleFile(book, dir / "book.htm", "044", "MS Excel");
  EXPECT_EQ(r.errorText, "");
  EXPECT_EQ(CallsWith(App::Excel, "Version get").size(), 1u);
  EXPECT_EQ(CallsWith(App::Excel, "FileFormat:=44").size(), 1u);
}

TEST_F(Dispatcher, AnUnreadableVersionFailsTheGate) {
  d.Script(App::Excel, "Version=unknown\n");
  const auto r = lib.ConvertSingleFile(File("book.xls"), dir / "book.htm", "44", "MS Excel");
  EXPECT_EQ(r.errorText, "You must Install MS office 2000 or above, so you can convert xls to html, please try again!");
}

TEST_F(Dispatcher, TheMacroKeywordWinsOverEveryApplication) {
  const auto r = lib.ConvertSingleFile(File("book.xls"), dir / "book.txt", "2", "MS Excel USEMACRO");
  // No macro template lies beside this program.
  EXPECT_EQ(r.errorText, "templete " + os::ExecutableFolder() + "quillet.xlt do not exist!");
  // Excel was started for it, and nothing was opened.
  EXPECT_EQ(Calls(App::Excel), Lines{"Excel.Visible put False"});
  // usemacro in lower case is no keyword.
  EXPECT_TRUE(lib.ConvertSingleFile(File("book.xls"), dir / "book.txt", "2", "MS Excel usemacro").ok);
}

TEST_F(Dispatcher, AnApplicationThatCannotStartEndsTheRequestWithItsText) {
  d.Unregister("PowerPoint.Application");
  const auto r = lib.ConvertSingleFile(File("deck.ppt"), dir / "deck.txt", "9999", "MS Powerpoint");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorText,
            "Can not load Microsoft PowerPoint, you must install Microsoft PowerPoint first, please try again!");
  // Neither Acrobat nor its bridge is installed here.
#ifdef _WIN32
  EXPECT_EQ(lib.ConvertSingleFile(File("a.pdf"), dir / "a.txt", "-4", "Adobe Acrobat").errorText,
            "Error, Can not run plug_ins\\..\\acrobat.exe");
#else
  EXPECT_EQ(lib.ConvertSingleFile(File("a.pdf"), dir / "a.txt", "-4", "Adobe Acrobat").errorText,
            "Can not Load plugkit.dll, please try again!");
#endif
}

}  // namespace
}  // namespace quillet::test
