// The PDF keywords through ConvertSingleFile: PDFA and PAGES turn the PDF
// save formats into each application's ExportAsFixedFormat with its own
// named arguments, PASSWORD reaches each application's open in its own way,
// and what an application cannot do fails before anything is opened.
#include "ConversionFixture.h"
#include "platform/fs.h"

namespace quillet::test {
namespace {

using PdfOptions = ConversionTest;

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

TEST_F(PdfOptions, WordExportsPdfARangeOfPagesWithItsOwnArguments) {
  const std::string src = File("a.doc"), dest = dir / "a.pdf";
  ASSERT_EQ(lib.ConvertSingleFile(src, dest, "17", "MS Word PDFA PAGES=2-3").errorText, "");
  const std::string doc = "Word.Document(a.doc)";
  EXPECT_EQ(CallsFrom(App::Word, doc + ".BuiltInDocumentProperties(title).value put"),
            (Lines{
                doc + ".BuiltInDocumentProperties(title).value put \"a.doc\"",
                doc + ".ExportAsFixedFormat method OutputFileName:=" + Quoted(dest) +
                    ", ExportFormat:=17, Range:=3, From:=2, To:=3, UseISO19005_1:=True",
                doc + ".Close method SaveChanges:=0",
                "Word.DisplayAlerts put True",
            }));
  EXPECT_EQ(ReadFile(dest), "Word exported " + src + " as PDF pages 2-3 PDF/A-1b\r\n");

  // Either keyword alone asks for the export; a single page is a range of one.
  ASSERT_TRUE(lib.ConvertSingleFile(src, dest, "17", "MS Word PAGES=4").ok);
  EXPECT_EQ(CallsWith(App::Word, "ExportAsFixedFormat").back(),
            doc + ".ExportAsFixedFormat method OutputFileName:=" + Quoted(dest) +
                ", ExportFormat:=17, Range:=3, From:=4, To:=4");
  ASSERT_TRUE(lib.ConvertSingleFile(src, dest, "17", "MS Word PDFA=1").ok);
  EXPECT_EQ(
      CallsWith(App::Word, "ExportAsFixedFormat").back(),
      doc + ".ExportAsFixedFormat method OutputFileName:=" + Quoted(dest) + ", ExportFormat:=17, UseISO19005_1:=True");

  // Without them, and in any format but PDF, the save is SaveAs as before.
  ASSERT_TRUE(lib.ConvertSingleFile(src, dest, "17", "MS Word").ok);
  ASSERT_TRUE(lib.ConvertSingleFile(src, dir / "a.txt", "2", "MS Word PDFA PAGES=2-3").ok);
  EXPECT_EQ(CallsWith(App::Word, "ExportAsFixedFormat").size(), 3u);
  EXPECT_EQ(CallsWith(App::Word, ".SaveAs method"),
            (Lines{doc + ".SaveAs method FileName:=" + Quoted(dest) + ", FileFormat:=17",
                   doc + ".SaveAs method FileName:=" + Quoted(dir / "a.txt") + ", FileFormat:=2"}));
}

TEST_F(PdfOptions, ExcelExportsARangeOfPagesAndRefusesPdfA) {
  const std::string src = File("book.xls"), dest = dir / "book.pdf";
  ASSERT_EQ(lib.ConvertSingleFile(src, dest, "57", "MS Excel PAGES=2-3").errorText, "");
  EXPECT_EQ(CallsWith(App::Excel, "ExportAsFixedFormat"),
            Lines{"Excel.Workbook(book.xls).ExportAsFixedFormat method Type:=0, Filename:=" + Quoted(dest) +
                  ", From:=2, To:=3"});
  EXPECT_EQ(ReadFile(dest), "Excel exported " + src + " as PDF pages 2-3\r\n");

  // Excel's PDF has no PDF/A: the request fails before the workbook is opened.
  const auto r = lib.ConvertSingleFile(src, dir / "archive.pdf", "57", "MS Excel PDFA PAGES=2-3");
  EXPECT_EQ(r.errorText, "PDFA: MS Excel makes no PDF/A");
  EXPECT_EQ(CallsWith(App::Excel, "Workbooks.Open").size(), 1u);
  EXPECT_FALSE(os::FileExists(dir / "archive.pdf"));
}

TEST_F(PdfOptions, PowerPointExportsTheSlidesOfAPrintRange) {
  const std::string src = File("deck.ppt"), dest = dir / "deck.pdf";
  ASSERT_EQ(lib.ConvertSingleFile(src, dest, "32", "MS Powerpoint PAGES=2-3 PDFA").errorText, "");
  const std::string deck = "PowerPoint.Presentation(deck.ppt)";
  EXPECT_EQ(CallsFrom(App::PowerPoint, deck + ".PrintOptions"),
            (Lines{
                deck + ".PrintOptions get",
                deck + ".PrintOptions.Ranges get",
                deck + ".PrintOptions.Ranges.ClearAll method",
                deck + ".PrintOptions.Ranges.Add method 2, 3",
                deck + ".ExportAsFixedFormat method Path:=" + Quoted(dest) +
                    ", FixedFormatType:=2, RangeType:=4, PrintRange:=<object>, UseISO19005_1:=True",
                deck + ".Close method",
            }));
  EXPECT_EQ(ReadFile(dest), "PowerPoint exported " + src + " as PDF pages 2-3 PDF/A-1b\r\n");
}

TEST_F(PdfOptions, ThePasswordReachesEachApplicationsOpenInItsOwnWay) {
  const std::string doc = File("a.doc"), book = File("book.xls"), deck = File("deck.ppt");
  const std::string option = "PASSWORD=\"say \"\"hi\"\" twice\" PAGES=1";
  ASSERT_TRUE(lib.ConvertSingleFile(doc, dir / "a.txt", "2", "MS Word " + option).ok);
  ASSERT_TRUE(lib.ConvertSingleFile(book, dir / "book.csv", "6", "MS Excel " + option).ok);
  ASSERT_TRUE(lib.ConvertSingleFile(deck, dir / "deck.pptx", "24", "MS Powerpoint " + option).ok);
  // (The transcript doubles a quote inside a text.)
  const std::string password = "say \"\"hi\"\" twice";
  EXPECT_EQ(CallsWith(App::Word, "Documents.Open"), Lines{"Word.Documents.Open method FileName:=" + Quoted(doc) +
                                                          ", ReadOnly:=True, PasswordDocument:=" + Quoted(password)});
  EXPECT_EQ(CallsWith(App::Excel, "Workbooks.Open"), Lines{"Excel.Workbooks.Open method Filename:=" + Quoted(book) +
                                                           ", ReadOnly:=True, Password:=" + Quoted(password)});
  EXPECT_EQ(CallsWith(App::PowerPoint, "Presentations.Open"),
            Lines{"PowerPoint.Presentations.Open method FileName:=" + Quoted(deck + "::" + password + "::") +
                  ", WithWindow:=False, ReadOnly:=True"});
}

TEST_F(PdfOptions, WhatCannotBeDoneFailsBeforeTheApplicationIsAsked) {
  const std::string src = File("a.doc");
  struct Case {
    std::string option, format, error;
  };
  const std::vector<Case> cases{
      {"MS Word PDFA=2", "17", "PDFA=2: MS Word makes PDF/A-1b only (PDFA or PDFA=1)"},
      {"MS Word PDFA=4", "17", "Invalid value '4' for PDFA= (1, 2 or 3)"},
      {"MS Word PDFA", "-1",
       "PDFA: the printing route (-1) makes no PDF/A; save in the application's PDF format instead"},
      {"MS Word PAGES=3-2", "17", "Invalid value '3-2' for PAGES= (a page or a range of pages such as 2-3)"},
      {"MS Word PAGES=0", "17", "Invalid value '0' for PAGES= (a page or a range of pages such as 2-3)"},
      {"MS Word PASSWORD=\"unended", "17", "The value of PASSWORD= lacks its closing double quote"},
  };
  for (const Case& c : cases) {
    const auto r = lib.ConvertSingleFile(src, dir / "a.pdf", c.format, c.option);
    EXPECT_FALSE(r.ok) << c.option;
    EXPECT_EQ(r.errorText, c.error) << c.option;
  }
  EXPECT_EQ(CallsWith(App::Word, "Documents.Open"), Lines{});
  EXPECT_FALSE(os::FileExists(dir / "a.pdf"));
}

}  // namespace
}  // namespace quillet::test
