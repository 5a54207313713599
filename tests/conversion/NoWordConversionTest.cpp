// The route without Word through the entry points: web pages to text through
// the Internet Explorer double, everything else through the format library
// double, the picture clean-up, and the open format's buffer.
#include <chrono>
#include <filesystem>

#include "ConversionFixture.h"

namespace quillet::test {
namespace {

namespace fs = std::filesystem;

class NoWord : public ConversionTest {
 protected:
  void SetUp() override {
    d.Register("InternetExplorer.Application", App::InternetExplorer);
    doubles::UseFormatBridge("full");
  }
  std::string BridgeTranscript() const { return ReadFile(d.dir() + "/fmtbridge.transcript"); }
  bool BridgeCalled() const { return fs::exists(d.dir() + "/fmtbridge.transcript"); }
  static std::string BridgeCall(const std::string& src, const std::string& openFormat, const std::string& dest,
                                const std::string& destFormat) {
    return "call NoWordConvert \"" + src + "\", \"" + openFormat + "\", \"" + dest + "\", \"" + destFormat +
           "\", \"\"\n";
  }
  static std::string Converted(const std::string& src, const std::string& openFormat, const std::string& destFormat) {
    return "fmtbridge converted \"" + src + "\" with open format \"" + openFormat + "\" to format \"" + destFormat +
           "\"";
  }
  static Lines BrowserCalls(const std::string& src) {
    return {"InternetExplorer.visible put False",
            "InternetExplorer.Navigate method \"" + src + "\"",
            "InternetExplorer.Busy get",
            "InternetExplorer.ReadyState get",
            "InternetExplorer.Document get",
            "InternetExplorer.Document.documentElement get",
            "InternetExplorer.Document.documentElement.innerText get",
            "InternetExplorer.quit method"};
  }
};

TEST_F(NoWord, AConversionThatHangsIsStoppedAtTheDeadlineAndTheNextOneWorks) {
  const std::string src = File("a.doc"), dest = dir / "a.txt";
  WriteFile(d.dir() + "/fmtbridge.hang", "");
  const auto start = std::chrono::steady_clock::now();
  const auto r = lib.ConvertSingleFile(src, dest, "2", "No MS Word TIMEOUT=1");
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorText,
            "The document took longer than its deadline of 1 seconds: the format library's conversion was stopped");
  EXPECT_LT(took, std::chrono::seconds(10));
  EXPECT_FALSE(fs::exists(dest));
  fs::remove(d.dir() + "/fmtbridge.hang");
  ASSERT_TRUE(lib.ConvertSingleFile(src, dest, "2", "No MS Word").ok);
  EXPECT_EQ(ReadFile(dest), Converted(src, "", "2") + "\r\n");
}

TEST_F(NoWord, AWebPageBecomesTheBrowsersTextAndTheOpenFormatIsNotUsed) {
  d.Script(App::InternetExplorer, "PageText=Quarterly report\\nNorth\\t12\\r\\nSouth\\t7\n");
  const std::string src = File("page.html", "<html><body>ignored</body></html>");
  const std::string dest = dir / "page.txt";
  const auto r = lib.ConvertSingleFile(src, dest, "2", "No MS Word OPENFORMAT=8\r\nNOCREATEIMAGEDIR");
  EXPECT_TRUE(r.ok) << r.errorText;
  // LF alone becomes CR LF, and the last line gets one too.
  EXPECT_EQ(ReadFile(dest), "Quarterly report\r\nNorth\t12\r\nSouth\t7\r\n");
  EXPECT_EQ(Calls(App::InternetExplorer), BrowserCalls(src));
  EXPECT_EQ(d.LiveObjects(App::InternetExplorer), Lines{});
  EXPECT_FALSE(BridgeCalled());
}

TEST_F(NoWord, TheTextIsThatOfThePageNavigatedTo) {
  // Without a scripted text the double gives the page file's bytes without tags.
  const std::string src = File("PAGE.HTM", "<html><body><h1>Sales</h1>\r\n<p>all regions</p></body></html>");
  const auto r = lib.ConvertSingleFile(src, dir / "PAGE.TXT", "2", "No MS Word");
  EXPECT_TRUE(r.ok) << r.errorText;
  EXPECT_EQ(ReadFile(dir / "PAGE.TXT"), "Sales\r\nall regions\r\n");
}

TEST_F(NoWord, OnlyAWebPageToATextFileGoesThroughTheBrowser) {
  const struct {
    const char *src, *dest;
  } cases[] = {
      {"page.htm", "page.rtf"}, {"page.shtml", "page.txt"}, {"page.html", "page.text"}, {"page.doc", "page.txt"}};
  std::string expected;
  for (const auto& c : cases) {
    const std::string src = File(c.src), dest = dir / c.dest;
    const auto r = lib.ConvertSingleFile(src, dest, "6", "No MS Word OPENFORMAT=3");
    EXPECT_TRUE(r.ok) << c.src << ": " << r.errorText;
    EXPECT_EQ(ReadFile(dest), Converted(src, "3", "6") + "\r\n") << c.src;
    expected += BridgeCall(src, "3", dest, "6");
  }
  EXPECT_EQ(BridgeTranscript(), expected);
  EXPECT_EQ(Calls(App::InternetExplorer), Lines{});
}

TEST_F(NoWord, TheOpenFormatEndsAtTheFirstLineBreakOfTheOption) {
  const std::string src = File("memo.doc"), dest = dir / "memo.rtf";
  ASSERT_TRUE(lib.ConvertSingleFile(src, dest, "6", "No MS Word OPENFORMAT=12\r\nMS Word").ok);
  // Without the keyword nothing is passed, whatever the option holds.
  ASSERT_TRUE(lib.ConvertSingleFile(src, dest, "6", "No MS Word FORMAT=12").ok);
  EXPECT_EQ(BridgeTranscript(), BridgeCall(src, "12", dest, "6") + BridgeCall(src, "", dest, "6"));
}

TEST_F(NoWord, AnOpenFormatValueThatDoesNotFitItsBufferIsRefusedWhole) {
  const std::string src = File("memo.doc"), dest = dir / "memo.rtf";
  const auto r = lib.ConvertSingleFile(src, dest, "6", "No MS Word OPENFORMAT=" + std::string(1024, '7'));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorText, "Error, the OPENFORMAT= value is 1024 bytes long; the format library takes at most 1023");
  EXPECT_FALSE(BridgeCalled());
  EXPECT_FALSE(fs::exists(dest));
  // 1023 bytes and the terminating zero fit: the library gets all of them.
  const std::string fits(1023, '7');
  EXPECT_TRUE(lib.ConvertSingleFile(src, dest, "6", "No MS Word OPENFORMAT=" + fits + "\r\n").ok);
  EXPECT_EQ(BridgeTranscript(), BridgeCall(src, fits, dest, "6"));
}

TEST_F(NoWord, NoCreateImageDirLeavesTheConvertedPageWithoutPictures) {
  const std::string src = File("memo.doc"), dest = dir / "memo.htm";
  const auto r = lib.ConvertSingleFile(src, dest, "8", "No MS Word OPENFORMAT=0\r\nNOCREATEIMAGEDIR");
  EXPECT_TRUE(r.ok) << r.errorText;
  EXPECT_FALSE(fs::exists(dir / "memo.files"));
  const std::string page = ReadFile(dest);
  EXPECT_NE(page.find(Converted(src, "0", "8")), std::string::npos) << page;
  EXPECT_EQ(page.find("<img"), std::string::npos) << page;
  // Without the keyword the page keeps its folder and its picture.
  ASSERT_TRUE(lib.ConvertSingleFile(src, dest, "8", "No MS Word").ok);
  EXPECT_TRUE(fs::exists(dir / "memo.files/image001.gif"));
  EXPECT_NE(ReadFile(dest).find("<img src=\"memo.files/image001.gif\""), std::string::npos);
}

TEST_F(NoWord, AFailedConversionReportsTheLibrarysTextAndTouchesNoPictureFolder) {
  WriteFile(d.dir() + "/fmtbridge.script", "Cannot read memo.doc: unknown format");
  const std::string src = File("memo.doc");
  fs::create_directories(dir / "memo.files");
  WriteFile(dir / "memo.files/image001.gif", "GIF89a");
  const auto r = lib.ConvertSingleFile(src, dir / "memo.htm", "8", "No MS Word NOCREATEIMAGEDIR");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorText, "Cannot read memo.doc: unknown format");
  EXPECT_TRUE(fs::exists(dir / "memo.files/image001.gif"));
}

TEST_F(NoWord, ABusyPageIsWaitedForUntilItIsComplete) {
  d.Script(App::InternetExplorer, "BusyReads=3\nLoadingReads=2\nPageText=done\n");
  const std::string src = File("slow.htm");
  const auto r = lib.ConvertSingleFile(src, dir / "slow.txt", "2", "No MS Word");
  EXPECT_TRUE(r.ok) << r.errorText;
  EXPECT_EQ(ReadFile(dir / "slow.txt"), "done\r\n");
  EXPECT_EQ(CallsWith(App::InternetExplorer, "Busy get").size(), 4u);
  EXPECT_EQ(CallsWith(App::InternetExplorer, "ReadyState get").size(), 3u);
  // The waits come one after the other: no Busy read after the first ReadyState.
  const Lines fromReady = CallsFrom(App::InternetExplorer, "ReadyState get");
  for (const std::string& call : fromReady) EXPECT_EQ(call.find("Busy"), std::string::npos) << call;
}

TEST_F(NoWord, TextThatCannotBeReadFailsAndTheBrowserStillQuits) {
  d.Script(App::InternetExplorer, "Fail=InternetExplorer.Document.documentElement.innerText|Access is denied.\n");
  const std::string src = File("page.html");
  const auto r = lib.ConvertSingleFile(src, dir / "page.txt", "2", "No MS Word");
  EXPECT_EQ(r.errorText, "Error, can not save text in IE");
  EXPECT_FALSE(fs::exists(dir / "page.txt"));
  EXPECT_EQ(Calls(App::InternetExplorer), BrowserCalls(src));
  EXPECT_EQ(d.LiveObjects(App::InternetExplorer), Lines{});
}

TEST_F(NoWord, ABrowserThatCannotBeCreatedWritesNothing) {
  d.Script(App::InternetExplorer, "RefuseCreation=1\n");
  const auto r = lib.ConvertSingleFile(File("page.html"), dir / "page.txt", "2", "No MS Word");
  EXPECT_EQ(r.errorText, "Error, can not create InternetExplorer.Application");
  EXPECT_FALSE(fs::exists(dir / "page.txt"));
  EXPECT_EQ(Calls(App::InternetExplorer), Lines{});
}

TEST_F(NoWord, ANavigationFailureEndsTheRequestWithoutQuit) {
  d.Script(App::InternetExplorer, "Fail=InternetExplorer.Navigate|The page cannot be displayed.\n");
  const std::string src = File("page.html");
  const auto r = lib.ConvertSingleFile(src, dir / "page.txt", "2", "No MS Word");
  EXPECT_EQ(r.errorText, "The page cannot be displayed.");
  EXPECT_EQ(Calls(App::InternetExplorer),
            (Lines{"InternetExplorer.visible put False", "InternetExplorer.Navigate method \"" + src + "\""}));
  // The reference is given back all the same.
  EXPECT_EQ(d.LiveObjects(App::InternetExplorer), Lines{});
}

TEST_F(NoWord, WithoutTheFormatLibraryNothingIsConverted) {
  doubles::UseFormatBridge("no-GetDestFormatList");
  const auto r = lib.ConvertSingleFile(File("page.html"), dir / "page.txt", "2", "No MS Word");
  EXPECT_EQ(r.errorText, "Error, Can not get \"GetDestFormatList\" address of \"fmtbridge.dll\"");
  // Not even a web page to text, which needs no library.
  EXPECT_EQ(Calls(App::InternetExplorer), Lines{});
}

}  // namespace
}  // namespace quillet::test
