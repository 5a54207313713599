// The application doubles themselves, driven through the call layer the way
// the conversion procedures will drive them (across processes under Wine):
// documents open, save and close, and every call lands in the transcript.
#include <gtest/gtest.h>

#include <functional>

#include "DoubleControl.h"
#include "TestSupport.h"
#include "engine/OfficeConvert.h"
#include "platform/error.h"
#include "utilities/Automation.h"

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
  EXPECT_EQ(d.Calls(App::Word),
            (Lines{"Word.Documents method|get",
                   "Word.Documents.Open method \"" + src + "\", ReadOnly:=True, PasswordDocument:=\"pw\"",
                   "Word.Document(a.doc).Name get",
                   "Word.Document(a.doc).BuiltInDocumentProperties method|get \"Title\"",
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
  EXPECT_EQ(ErrorOf([&] { docs.Call("Open", {missing}, {{"ReadOnyl", true}}); }),
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
  EXPECT_EQ(d.Calls(App::Excel), (Lines{"Excel.Workbooks method|get",
                                        "Excel.Workbooks.Open method \"" + book + "\", ReadOnly:=True",
                                        "Excel.Workbook(b.xls).Close method False"}));
  EXPECT_EQ(d.Calls(App::PowerPoint), (Lines{"PowerPoint.Presentations method|get",
                                             "PowerPoint.Presentations.Open method \"" + deck + "\", True, False, False",
                                             "PowerPoint.Presentation(c.ppt).FullName get",
                                             "PowerPoint.Presentation(c.ppt).Close method"}));
}

}  // namespace
}  // namespace quillet
