// The application doubles themselves, driven through the call layer the way
// the conversion procedures will drive them (across processes under Wine):
// documents open, save and close, and every call lands in the transcript.
#include <gtest/gtest.h>

#include <functional>

#include "DoubleControl.h"
#include "DoublesFixture.h"
#include "TestSupport.h"
#include "engine/OfficeConvert.h"
#include "platform/error.h"
#include "utilities/automation/Automation.h"

#ifdef _WIN32
#include "platform/win32_registry.h"
#endif

namespace quillet {
namespace {

using doubles::App;
using ole::Variant;
using Lines = std::vector<std::string>;

using test::ErrorOf;

class Doubles : public ::testing::Test {
 protected:
  doubles::Doubles d;
  test::TempDir files;
};

TEST_F(Doubles, WordOpensSavesAndClosesADocument) {
  d.Script(App::Word, "Title=Quarterly report\n");
  const std::string src = files / "a.doc", dest = files / "a.txt";
  test::WriteFile(src, "x");
  {
    bool created = false;
    Variant word = AttachOrCreateOleObject("Word.Application", created);
    EXPECT_TRUE(created);
    Variant doc = word.CallOrGet("Documents").Call("Open", {src}, {{"ReadOnly", true}, {"PasswordDocument", "pw"}});
    EXPECT_EQ(doc.Get("Name").AsString(), "a.doc");
    EXPECT_EQ(doc.CallOrGet("BuiltInDocumentProperties", {"Title"}).Get("Value").AsString(), "Quarterly report");
    doc.Call("SaveAs", {dest}, {{"FileFormat", 2}});
    doc.Call("Close", {}, {{"SaveChanges", false}});
    word.Call("Quit");
  }
  EXPECT_EQ(test::ReadFile(dest), "Word saved " + src + " as format 2\r\n");
  EXPECT_EQ(
      d.Calls(App::Word),
      (Lines{"Word.Documents method|get",
             "Word.Documents.Open method \"" + src + "\", ReadOnly:=True, PasswordDocument:=\"pw\"",
             "Word.Document(a.doc).Name get", "Word.Document(a.doc).BuiltInDocumentProperties method|get \"Title\"",
             "Word.Document(a.doc).BuiltInDocumentProperties(Title).Value get",
             "Word.Document(a.doc).SaveAs method \"" + dest + "\", FileFormat:=2",
             "Word.Document(a.doc).Close method SaveChanges:=False", "Word.Quit method"}));
  EXPECT_TRUE(d.WaitForServersToExit());
  EXPECT_EQ(d.LiveObjects(App::Word), Lines{});
}

TEST_F(Doubles, WrongCallsFailAsTheApplicationWould) {
  bool created = false;
  Variant word = AttachOrCreateOleObject("Word.Application", created);
  Variant docs = word.CallOrGet("Documents");
  const std::string missing = files / "missing.doc";
  EXPECT_EQ(ErrorOf([&] { docs.Call("Open", {missing}); }), "This file could not be found. (" + missing + ")");
  EXPECT_EQ(ErrorOf([&] {
              docs.Call("Open", {missing}, {{"ReadOnyl", true}});
            }),
            "Method 'Open' not supported by automation object");
  EXPECT_EQ(ErrorOf([&] { word.CallOrGet("FileConverters").CallOrGet("Item", {1}); }),
            "The requested member of the collection does not exist.");
  // A method is not a property.
  EXPECT_EQ(ErrorOf([&] { word.Get("Quit"); }), ole::OleErrorText(static_cast<int32_t>(0x80020003u)));
}

TEST_F(Doubles, ExcelAndPowerPointOpenTheirDocuments) {
  const std::string book = files / "b.xls", deck = files / "c.ppt";
  test::WriteFile(book, "x");
  test::WriteFile(deck, "x");
  {
    bool created = false;
    Variant excel = AttachOrCreateOleObject("Excel.Application", created);
    Variant wb = excel.CallOrGet("Workbooks").Call("Open", {book}, {{"ReadOnly", true}});
    wb.Call("Close", {false});
    Variant ppt = AttachOrCreateOleObject("PowerPoint.Application", created);
    Variant pres = ppt.CallOrGet("Presentations").Call("Open", {deck, true, false, false});
    EXPECT_EQ(pres.Get("FullName").AsString(), deck);
    pres.Call("Close");
  }
  EXPECT_EQ(d.Calls(App::Excel),
            (Lines{"Excel.Workbooks method|get", "Excel.Workbooks.Open method \"" + book + "\", ReadOnly:=True",
                   "Excel.Workbook(b.xls).Close method False"}));
  EXPECT_EQ(d.Calls(App::PowerPoint),
            (Lines{"PowerPoint.Presentations method|get",
                   "PowerPoint.Presentations.Open method \"" + deck + "\", True, False, False",
                   "PowerPoint.Presentation(c.ppt).FullName get", "PowerPoint.Presentation(c.ppt).Close method"}));
}

class DoubleObjects : public test::DoublesFixture {};

TEST_F(DoubleObjects, TranscriptWritesNamesAsTheCallerSpelledThem) {
  d.Script(App::Word, "Hyperlink=Report.doc|Report\n");
  const std::string src = files / "a.doc", book = files / "b.xls";
  test::WriteFile(src, "x");
  test::WriteFile(book, "x");
  Variant doc = Application(App::Word).CallOrGet("documents").Call("open", {src}, {{"readOnly", true}});
  EXPECT_EQ(doc.CallOrGet("Hyperlinks").CallOrGet("item", {1}).Get("address").AsString(), "Report.doc");
  // The same member in two spellings: two lines, each as it was sent.
  EXPECT_EQ(doc.CallOrGet("Hyperlinks").CallOrGet("Item", {1}).Get("Address").AsString(), "Report.doc");
  EXPECT_EQ(
      d.Calls(App::Word),
      (Lines{"Word.documents method|get", "Word.Documents.open method \"" + src + "\", readOnly:=True",
             "Word.Document(a.doc).Hyperlinks method|get", "Word.Document(a.doc).Hyperlinks.item method|get 1",
             "Word.Document(a.doc).Hyperlinks(1).address get", "Word.Document(a.doc).Hyperlinks method|get",
             "Word.Document(a.doc).Hyperlinks.Item method|get 1", "Word.Document(a.doc).Hyperlinks(1).Address get"}));

  Application(App::Excel).CallOrGet("Workbooks").Call("Open", {}, {{"Filename", book}, {"READONLY", true}});
  EXPECT_EQ(d.Calls(App::Excel), (Lines{"Excel.Workbooks method|get",
                                        "Excel.Workbooks.Open method Filename:=\"" + book + "\", READONLY:=True"}));
}

TEST_F(DoubleObjects, ClosedDocumentsRaiseOnEveryLaterCall) {
  struct Case {
    App app;
    std::string file, object;
  };
  for (const Case& c :
       {Case{App::Word, "a.doc", "Word.Document(a.doc)"}, Case{App::Excel, "b.xls", "Excel.Workbook(b.xls)"},
        Case{App::PowerPoint, "c.ppt", "PowerPoint.Presentation(c.ppt)"}}) {
    SCOPED_TRACE(c.file);
    Variant doc = Open(c.app, c.file);
    doc.Call("Close");
    EXPECT_EQ(ErrorOf([&] { doc.Call("Close"); }), "The object has been deleted.");
    EXPECT_EQ(ErrorOf([&] { doc.Get("Name"); }), "The object has been deleted.");
    EXPECT_EQ(ErrorOf([&] { doc.CallOrGet("BuiltInDocumentProperties", {"Title"}); }), "The object has been deleted.");
    const Lines calls = d.Calls(c.app);
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(Lines(calls.end() - 4, calls.end()),
              (Lines{c.object + ".Close method", c.object + ".Close method", c.object + ".Name get",
                     c.object + ".BuiltInDocumentProperties method|get \"Title\""}));
    // Another document of the same application still answers.
    EXPECT_EQ(Open(c.app, "other" + c.file).Get("Name").AsString(), "other" + c.file);
  }
}

TEST_F(DoubleObjects, ScriptedFailuresReachTheNewObjects) {
  d.Script(App::Word,
           "FailOpen=Secret.DOC|The password is incorrect.\n"
           "FailOpen=locked.doc|The document is locked for editing.\n"
           "Hyperlink=x.doc|x\n"
           "Fail=Word.Document(a.doc).Hyperlinks(1).Address|The link is broken.\n"
           "Fail=Word.Document(a.doc).Characters(1).LanguageIDFarEast|No language.\n");
  d.Script(App::PowerPoint,
           "FailOpen=deck.ppt|PowerPoint could not open the file.\nSlide=picture\n"
           "Fail=PowerPoint.Presentation(ok.ppt).Slides(1).Shapes(1).HasTextFrame|No frame.\n");
  // The file name is compared without regard to case; other files open.
  EXPECT_EQ(ErrorOf([&] { Open(App::Word, "secret.doc"); }), "The password is incorrect.");
  EXPECT_EQ(ErrorOf([&] { Open(App::Word, "locked.doc"); }), "The document is locked for editing.");
  Variant doc = Open(App::Word, "a.doc");
  Variant link = doc.CallOrGet("Hyperlinks").CallOrGet("Item", {1});
  EXPECT_EQ(ErrorOf([&] { link.Get("Address"); }), "The link is broken.");
  EXPECT_EQ(link.Get("TextToDisplay").AsString(), "x");
  EXPECT_EQ(ErrorOf([&] { doc.CallOrGet("Characters").CallOrGet("Item", {1}).Get("LanguageIDFarEast"); }),
            "No language.");
  // The same member of another document is not touched.
  EXPECT_EQ(Open(App::Word, "b.doc").CallOrGet("Hyperlinks").CallOrGet("Item", {1}).Get("Address").AsString(), "x.doc");

  EXPECT_EQ(ErrorOf([&] { Open(App::PowerPoint, "Deck.PPT"); }), "PowerPoint could not open the file.");
  Variant shape = Open(App::PowerPoint, "ok.ppt").Get("Slides").Get("Items", {1}).Get("Shapes").Get("Item", {1});
  EXPECT_EQ(ErrorOf([&] { shape.Get("HasTextFrame"); }), "No frame.");
  // A failed open makes no document.
  for (const std::string& object : d.LiveObjects(App::PowerPoint))
    EXPECT_EQ(object.find("Deck.PPT"), std::string::npos) << object;
}

#ifdef _WIN32
// The class a ProgID names in the prefix's registry, or "(none)".
std::string NamedClass(const std::string& progId) {
  return os::RegistryKey::Open(HKEY_CLASSES_ROOT, progId + "\\CLSID").ReadText().value_or("(none)");
}

TEST(DoubleRegistration, ThePrefixsOwnBrowserIsNamedAgainAfterTheTest) {
  const std::string own = NamedClass("InternetExplorer.Application");
  ASSERT_NE(own, "(none)");  // Wine registers its browser in every prefix
  {
    doubles::Doubles d;
    d.Register("InternetExplorer.Application", App::InternetExplorer);
    EXPECT_EQ(NamedClass("InternetExplorer.Application"), "{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7707}");
    d.Register("InternetExplorer.Application", App::InternetExplorer);  // twice: the first class is kept
  }
  EXPECT_EQ(NamedClass("InternetExplorer.Application"), own);
  // A ProgID that named nothing before is gone again.
  {
    doubles::Doubles d;
    d.Register("Quillet.Probe.Application", App::InternetExplorer);
  }
  EXPECT_EQ(NamedClass("Quillet.Probe.Application"), "(none)");
}
#endif

TEST_F(DoubleObjects, TheBrowserAnswersAsScriptedAndGivesThePagesText) {
  d.Register("InternetExplorer.Application", App::InternetExplorer);
  d.Script(App::InternetExplorer, "BusyReads=2\nLoadingReads=1\n");
  const std::string page = files / "page.htm";
  test::WriteFile(page, "<p>Hello <b>there</b></p>");
  Variant ie(ole::CreateOleObject("InternetExplorer.Application"));
  EXPECT_FALSE(ie.Get("Visible").AsBoolean());
  // Before any page: not busy, not even loading, and no text.
  EXPECT_FALSE(ie.Get("Busy").AsBoolean());
  EXPECT_EQ(ie.Get("ReadyState").AsInteger(), 0);
  EXPECT_EQ(ie.Get("Document").Get("documentElement").Get("innerText").AsString(), "");
  ie.Call("Navigate", {page});
  EXPECT_TRUE(ie.Get("Busy").AsBoolean());
  EXPECT_TRUE(ie.Get("Busy").AsBoolean());
  EXPECT_FALSE(ie.Get("Busy").AsBoolean());
  EXPECT_EQ(ie.Get("ReadyState").AsInteger(), 3);
  EXPECT_EQ(ie.Get("ReadyState").AsInteger(), 4);
  EXPECT_EQ(ie.Get("Document").Get("documentElement").Get("innerText").AsString(), "Hello there");
  EXPECT_EQ(ErrorOf([&] { ie.Call("Navigate", {files / "missing.htm"}); }),
            "The page cannot be displayed: " + (files / "missing.htm"));
  ie.Call("Quit");
}

#ifndef _WIN32
TEST_F(DoubleObjects, DialogsAreNotRaisedWithoutWindows) {
  d.Script(App::Word, "Dialog=WordPerfect\nDialogTimeoutMs=0\n");
  EXPECT_EQ(Open(App::Word, "a.wpd").Get("Name").AsString(), "a.wpd");
  for (const std::string& line : d.Events(App::Word)) EXPECT_NE(line.rfind("dialog", 0), 0u) << line;
}
#endif

}  // namespace
}  // namespace quillet
