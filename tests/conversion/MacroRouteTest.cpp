// The macro-driven route through the entry points: the job file the macro
// reads, the template it lives in, what is closed after it ran, and how its
// answer in the job file becomes the request's result.
#include <filesystem>
#include <string>

#include "ConversionFixture.h"
#include "ImageTestUtil.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/sysinfo.h"
#include "utilities/SysUtils.h"

namespace quillet::test {
namespace {

namespace fs = std::filesystem;
const std::string kSep(1, path::kDelimiter);

class MacroRoute : public ConversionTest {
 protected:
  void SetUp() override {
    // The templates are looked for beside the program that loaded the library.
    for (const char* name : {"quillet.dot", "quillet.xlt", "quillet.pot"}) {
      templates_.push_back(os::ExecutableFolder() + name);
      WriteFile(templates_.back(), "template with the macro\r\n");
    }
  }
  void TearDown() override {
    for (const std::string& t : templates_) os::DeleteFile(t);
  }
  Lines MacroRuns(App app) const {
    Lines runs;
    for (const std::string& e : d.Events(app))
      if (e.rfind("macro ", 0) == 0) runs.push_back(e);
    return runs;
  }
  static std::string JobFile() { return GetTempFolder() + "quillet.ini"; }
  static std::string Template(const std::string& name) { return os::ExecutableFolder() + name; }

  std::vector<std::string> templates_;
};

TEST_F(MacroRoute, TheMacroConvertsThroughTheJobFileAndItsDocumentIsClosedUnsaved) {
  d.Script(App::Word, "Macro=convert\n");
  const std::string src = File("a.doc"), dest = dir / "a.rtf";
  File("a.log", "a log the macro wrote");
  const auto r = lib.ConvertSingleFile(src, dest, "6", "MS Word USEMACRO");
  ASSERT_TRUE(r.ok) << r.errorText;
  EXPECT_EQ(ReadFile(dest), "Word macro converted " + src + "\r\n");
  // The macro read exactly the two lines: the source, then the destination.
  EXPECT_EQ(MacroRuns(App::Word), (Lines{"macro " + src + "|" + dest}));
  EXPECT_EQ(CallsFrom(App::Word, "Documents.Open"),
            (Lines{"Word.Documents.Open method FileName:=\"" + Template("quillet.dot") + "\", ReadOnly:=True",
                   "Word.Document(quillet.dot).Activate method", "Word.Document(quillet.dot).Application get",
                   "Word.Run method \"quillet.AutoExec.QLConvert\"", "Word.ActiveDocument get",
                   "Word.ActiveDocument.fullname get", "Word.ActiveDocument.Close method SaveChanges:=0",
                   "Word.Document(quillet.dot).Close method SaveChanges:=0"}));
  // The route leaves the alerts alone, trims nothing and writes no log.
  EXPECT_EQ(CallsWith(App::Word, "DisplayAlerts"), Lines{});
  EXPECT_FALSE(os::FileExists(dir / "a.log"));
  // The job file stays, holding the macro's answer.
  EXPECT_EQ(ReadFile(JobFile()), "\r\n");
}

TEST_F(MacroRoute, AnUntouchedJobAsksForTheFullAcrobatAndOtherDocumentsStayOpen) {
  d.Script(App::Word, "Macro=untouched\n");
  const std::string src = File("a.doc"), dest = dir / "a.pdf";
  const auto r = lib.ConvertSingleFile(src, dest, "6", "MS Word USEMACRO");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorText,
            "You must install full adobe acrobat, this tool do not support free acrobat reader, if you have not the "
            "full function adobe acrobat, you can order it from http://www.tarnwick.com/quillet/order.htm!");
  EXPECT_EQ(ReadFile(JobFile()), src + "\r\n" + dest + "\r\n");
  // The active document is the template: neither the source nor the result.
  EXPECT_EQ(CallsWith(App::Word, "ActiveDocument.Close"), Lines{});
}

TEST_F(MacroRoute, TheMacrosAnswerIsTheErrorAndABlankAnswerIsSuccess) {
  d.Script(App::Word, "Macro=fail|   The printer is off  \n");
  const std::string src = File("a.doc");
  EXPECT_EQ(lib.ConvertSingleFile(src, dir / "a.rtf", "6", "MS Word USEMACRO").errorText, "The printer is off");
  EXPECT_FALSE(os::FileExists(dir / "a.rtf"));
}

TEST_F(MacroRoute, AnEmptiedJobFileIsSuccess) {
  d.Script(App::Word, "Macro=empty\n");
  EXPECT_TRUE(lib.ConvertSingleFile(File("a.doc"), dir / "a.rtf", "6", "MS Word USEMACRO").ok);
  EXPECT_EQ(ReadFile(JobFile()), "");
}

TEST_F(MacroRoute, WithoutTheMacroOrItsTemplateTheApplicationsTextComesBack) {
  // Word knows no such macro: its text, and the template is still closed.
  const std::string src = File("a.doc");
  const auto r = lib.ConvertSingleFile(src, dir / "a.rtf", "6", "MS Word USEMACRO");
  EXPECT_EQ(r.errorText, "The macro 'quillet.AutoExec.QLConvert' cannot be found.");
  EXPECT_EQ(Calls(App::Word).back(), "Word.Document(quillet.dot).Close method SaveChanges:=0");

  // No template beside the program: nothing is opened.
  os::DeleteFile(Template("quillet.xlt"));
  d.Script(App::Excel, "Macro=convert\n");
  const auto x = lib.ConvertSingleFile(File("b.xls"), dir / "b.csv", "6", "MS Excel USEMACRO");
  EXPECT_EQ(x.errorText, "templete " + os::ExecutableFolder() + "quillet.xlt do not exist!");
  EXPECT_EQ(CallsWith(App::Excel, "Open"), Lines{});
}

TEST_F(MacroRoute, AWorkbookTheMacroLeftOpenIsClosedAndUsemacroWinsOverTheRouteWithoutWord) {
  d.Script(App::Excel, "Macro=convert\n");
  const std::string src = File("b.xls"), dest = dir / "b.csv";
  ASSERT_TRUE(lib.ConvertSingleFile(src, dest, "6", "MS Excel USEMACRO").ok);
  EXPECT_EQ(CallsWith(App::Excel, "ActiveWorkbook.Close"), (Lines{"Excel.ActiveWorkbook.Close method SaveChanges:=0"}));
  EXPECT_EQ(ReadFile(dest), "Excel macro converted " + src + "\r\n");

  // "No MS Word" with the keyword: the macro runs in Word all the same.
  d.Script(App::Word, "Macro=convert\n");
  d.Register("InternetExplorer.Application", App::InternetExplorer);
  doubles::UseFormatBridge("full");
  const std::string page = File("p.html", "<html></html>");
  ASSERT_TRUE(lib.ConvertSingleFile(page, dir / "p.txt", "2", "No MS Word USEMACRO").ok);
  EXPECT_EQ(MacroRuns(App::Word), (Lines{"macro " + page + "|" + (dir / "p.txt")}));
  EXPECT_EQ(Calls(App::InternetExplorer), Lines{});
}

TEST_F(MacroRoute, AMacroRunInWordForTheRouteWithoutWordHasItsDeadlineToo) {
  // The template never opens: Word hangs there.
  d.Script(App::Word, "Hang=Word.Documents.Open\n");
  d.Register("InternetExplorer.Application", App::InternetExplorer);
  doubles::UseFormatBridge("full");
  const std::string page = File("p.html", "<html></html>");
  const auto r = lib.ConvertSingleFile(page, dir / "p.txt", "2", "No MS Word USEMACRO TIMEOUT=2");
  EXPECT_EQ(r.errorText, "The document took longer than its deadline of 2 seconds: Microsoft Word was ended");
  // The next request gets a Word of its own, which runs the macro.
  d.Script(App::Word, "Macro=convert\n");
  const auto next = lib.ConvertSingleFile(page, dir / "p.txt", "2", "No MS Word USEMACRO");
  EXPECT_TRUE(next.ok) << next.errorText;
  EXPECT_EQ(MacroRuns(App::Word), (Lines{"macro " + page + "|" + (dir / "p.txt")}));
}

TEST_F(MacroRoute, SlidePicturesAPresentationMacroSavedBecomeJpegFiles) {
  d.Script(App::PowerPoint, "Macro=slides\nSlide=text:A\nSlide=text:B\nSlideSize=40x30\n");
  const std::string src = File("deck.ppt"), dest = dir / "deck.jpg", folder = dir / "deck";
  const auto r = lib.ConvertSingleFile(src, dest, "17", "MS Powerpoint USEMACRO");
  ASSERT_TRUE(r.ok) << r.errorText;
  for (int n = 1; n <= 2; ++n) {
    const std::string base = folder + kSep + "Slide" + std::to_string(n);
    EXPECT_FALSE(os::FileExists(base + ".bmp"));
    EXPECT_EQ(DecodeJpeg(base + ".jpg").width, 40);
  }
  // The template is a presentation: opened without a window, closed without arguments.
  EXPECT_EQ(CallsWith(App::PowerPoint, "Open"),
            (Lines{"PowerPoint.Presentations.Open method FileName:=\"" + Template("quillet.pot") +
                   "\", WithWindow:=False, ReadOnly:=True"}));
  EXPECT_EQ(Calls(App::PowerPoint).back(), "PowerPoint.Presentation(quillet.pot).Close method");
  // Unlike the Office route, no log is written.
  EXPECT_FALSE(os::FileExists(folder + kSep + "deck.log"));
}

TEST_F(MacroRoute, AnAnswerInTheJobFileSkipsThePicturePasses) {
  d.Script(App::PowerPoint, "Macro=convert\n");
  const std::string src = File("deck.ppt"), dest = dir / "deck.gif";
  os::ForceDirectories(dir / "deck");
  // Bytes that are no bitmap: a picture pass would fail on them.
  const std::string bmp = File("deck" + kSep + "Slide1.bmp", "not a bitmap");
  ASSERT_TRUE(lib.ConvertSingleFile(src, dest, "16", "MS Powerpoint USEMACRO").ok);
  EXPECT_TRUE(os::FileExists(bmp));
  EXPECT_EQ(CallsWith(App::PowerPoint, "ActivePresentation.Close"),
            (Lines{"PowerPoint.ActivePresentation.Close method"}));
}

}  // namespace
}  // namespace quillet::test
