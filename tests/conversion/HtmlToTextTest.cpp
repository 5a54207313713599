// Web pages to text through the Internet Explorer double, in process: the
// bounded waits (with a short bound) and the text file's shape.
#include <chrono>
#include <filesystem>

#include "ConversionFixture.h"
#include "documents/HtmlToTextByIE.h"
#include "engine/OfficeConvert.h"
#include "platform/path.h"

namespace quillet::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class HtmlToText : public ::testing::Test {
 protected:
  void SetUp() override {
    d.Register("InternetExplorer.Application", App::InternetExplorer);
    doubles::UseFormatBridge("full");
    WriteFile(page, "<html><body>text</body></html>");
  }
  doubles::Doubles d;
  TempDir dir;
  std::string page = dir / "page.html";
  std::string error = "untouched";
};

TEST_F(HtmlToText, APageThatNeverCompletesFailsAtTheBoundNamingThePage) {
  d.Script(App::InternetExplorer, "LoadingReads=-1\n");
  TOfficeConvertClass conv;
  conv.Settings().PageWaitLimitMs = 300;
  const auto start = Clock::now();
  conv.ConvertDocument(page, dir / "page.txt", "2", "No MS Word", error);
  const auto took = Clock::now() - start;
  EXPECT_EQ(error, "Error, Internet Explorer did not finish loading \"" + page + "\" within 300 ms");
  EXPECT_GE(took, std::chrono::milliseconds(300));
  EXPECT_LT(took, std::chrono::seconds(20));
  EXPECT_FALSE(fs::exists(dir / "page.txt"));
  // The text is not asked for, and the browser is still told to quit.
  const Lines calls = d.Calls(App::InternetExplorer);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back(), "InternetExplorer.quit method");
  for (const std::string& call : calls) EXPECT_EQ(call.find("Document"), std::string::npos) << call;
}

TEST_F(HtmlToText, ABrowserBusyForEverFailsAtTheBoundBeforeItsStateIsRead) {
  d.Script(App::InternetExplorer, "BusyReads=-1\n");
  HtmlToTextByIE(page, dir / "page.txt", error, 400);
  EXPECT_EQ(error, "Error, Internet Explorer was still busy loading \"" + page + "\" after 400 ms");
  EXPECT_EQ(d.Calls(App::InternetExplorer).back(), "InternetExplorer.quit method");
  for (const std::string& call : d.Calls(App::InternetExplorer))
    EXPECT_EQ(call.find("ReadyState"), std::string::npos) << call;
  // Whole seconds are written as such; the converter's bound is a minute.
  EXPECT_EQ(PageStillBusyText("a.htm", 1000),
            "Error, Internet Explorer was still busy loading \"a.htm\" after 1 second");
  EXPECT_EQ(PageNotCompleteText("a.htm", TOfficeConvertClass().Settings().PageWaitLimitMs),
            "Error, Internet Explorer did not finish loading \"a.htm\" within 60 seconds");
}

TEST_F(HtmlToText, AnEmptyPageGivesAnEmptyFileInAFolderMadeForIt) {
  d.Script(App::InternetExplorer, "PageText=\n");
  const std::string sep(1, path::kDelimiter);
  const std::string nested = dir / ("made" + sep + "for" + sep + "it" + sep + "page.txt");
  HtmlToTextByIE(page, nested, error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(ReadFile(nested), "");
}

TEST_F(HtmlToText, CharactersOfTheTextAreWrittenInTheSystemsCodePage) {
  // Euro sign, e acute, and a Chinese character that Windows-1252 lacks.
  d.Script(App::InternetExplorer, "PageText=\\u20AC \\u00E9 \\u4E2D\n");
  HtmlToTextByIE(page, dir / "page.txt", error);
  EXPECT_EQ(error, "");
#ifdef _WIN32
  EXPECT_EQ(ReadFile(dir / "page.txt"), "\x80 \xE9 ?\r\n");
#else
  EXPECT_EQ(ReadFile(dir / "page.txt"), "\xE2\x82\xAC \xC3\xA9 \xE4\xB8\xAD\r\n");
#endif
}

TEST_F(HtmlToText, ATextFileThatCannotBeWrittenFailsAndTheBrowserQuits) {
  // A folder stands where the text file should go.
  fs::create_directories(dir / "page.txt");
  HtmlToTextByIE(page, dir / "page.txt", error);
  EXPECT_EQ(error, "Error, can not save text in IE");
  EXPECT_EQ(d.Calls(App::InternetExplorer).back(), "InternetExplorer.quit method");
}

}  // namespace
}  // namespace quillet::test
