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

TEST_F(PdfOptions, WordGetsTheExportOptionsItHasArgumentsForAndTheOrientationThroughItsPageSetup) {
  const std::string src = File("a.doc"), dest = dir / "a.pdf";
  const std::string doc = "Word.Document(a.doc)";
  d.Script(App::Word, "TablesOfContents=2\n");
  ASSERT_EQ(lib.ConvertSingleFile(src, dest, "17",
                                  "MS Word PDF.PdfUa=true PDF.ExportNotes=true PDF.ExportBookmarks=false "
                                  "PDF.Quality=30 PDF.Landscape=true PAGES=2-3")
                .errorText,
            "");
  EXPECT_EQ(CallsFrom(App::Word, doc + ".PageSetup"),
            (Lines{
                doc + ".PageSetup get",
                doc + ".PageSetup.Orientation put 1",
                doc + ".ExportAsFixedFormat method OutputFileName:=" + Quoted(dest) +
                    ", ExportFormat:=17, OptimizeFor:=1, Range:=3, From:=2, To:=3, Item:=7, CreateBookmarks:=0, "
                    "DocStructureTags:=True",
                doc + ".Close method SaveChanges:=0",
                "Word.DisplayAlerts put True",
            }));

  // The other way round; a keyword alone asks for the export, and Landscape
  // false leaves the page setup alone.
  ASSERT_TRUE(lib.ConvertSingleFile(src, dest, "17",
                                    "MS Word PDF.Quality=50 PDF.ExportBookmarks=true PDF.ExportNotes=false "
                                    "PDF.PdfUa=false PDF.Landscape=false")
                  .ok);
  EXPECT_EQ(CallsWith(App::Word, "ExportAsFixedFormat").back(),
            doc + ".ExportAsFixedFormat method OutputFileName:=" + Quoted(dest) +
                ", ExportFormat:=17, OptimizeFor:=0, Item:=0, CreateBookmarks:=1, DocStructureTags:=False");
  EXPECT_EQ(CallsWith(App::Word, "PageSetup").size(), 2u);
  EXPECT_EQ(ReadFile(dest), "Word exported " + src + " as PDF\r\n");

  // UpdateIndexes updates each table of contents before the export.
  ASSERT_TRUE(lib.ConvertSingleFile(src, dest, "17", "MS Word PDF.UpdateIndexes=true").ok);
  EXPECT_EQ(CallsFrom(App::Word, doc + ".TablesOfContents(1).Update"),
            (Lines{
                doc + ".TablesOfContents(1).Update method",
                doc + ".TablesOfContents.Item get 2",
                doc + ".TablesOfContents(2).Update method",
                doc + ".ExportAsFixedFormat method OutputFileName:=" + Quoted(dest) + ", ExportFormat:=17",
                doc + ".Close method SaveChanges:=0",
                "Word.DisplayAlerts put True",
            }));
  ASSERT_TRUE(lib.ConvertSingleFile(src, dest, "17", "MS Word PDF.UpdateIndexes=false").ok);
  EXPECT_EQ(CallsWith(App::Word, ".Update method").size(), 2u);
}

TEST_F(PdfOptions, ExcelGetsItsQualityAndSheetOrientationsAndPowerPointItsIntentNotesPagesHiddenSlidesTagsAndRanges) {
  const std::string book = File("book.xls"), deck = File("deck.ppt");
  const std::string bookPdf = dir / "book.pdf", deckPdf = dir / "deck.pdf";
  d.Script(App::Excel, "Sheets=2\n");
  ASSERT_EQ(lib.ConvertSingleFile(book, bookPdf, "57", "MS Excel PDF.Quality=10 PAGES=2-3").errorText, "");
  ASSERT_TRUE(lib.ConvertSingleFile(book, bookPdf, "57", "MS Excel PDF.Quality=90 PDF.Landscape=true").ok);
  const std::string workbook = "Excel.Workbook(book.xls)";
  EXPECT_EQ(CallsWith(App::Excel, "ExportAsFixedFormat"),
            (Lines{workbook + ".ExportAsFixedFormat method Type:=0, Filename:=" + Quoted(bookPdf) +
                       ", Quality:=1, From:=2, To:=3",
                   workbook + ".ExportAsFixedFormat method Type:=0, Filename:=" + Quoted(bookPdf) + ", Quality:=0"}));
  // Each sheet turned before the export.
  EXPECT_EQ(CallsWith(App::Excel, "Orientation"), (Lines{workbook + ".Worksheets(1).PageSetup.Orientation put 2",
                                                         workbook + ".Worksheets(2).PageSetup.Orientation put 2"}));
  EXPECT_EQ(CallsFrom(App::Excel, workbook + ".Worksheets(2).PageSetup.Orientation").at(1),
            CallsWith(App::Excel, "ExportAsFixedFormat").back());

  const std::string presentation = "PowerPoint.Presentation(deck.ppt)";
  ASSERT_EQ(lib.ConvertSingleFile(deck, deckPdf, "32",
                                  "MS Powerpoint PDF.Quality=20 PDF.ExportNotesPages=true PDF.ExportHiddenSlides=true "
                                  "PDF.PdfUa=true PAGES=\"1-2, 4\"")
                .errorText,
            "");
  EXPECT_EQ(CallsFrom(App::PowerPoint, presentation + ".PrintOptions.Ranges.ClearAll"),
            (Lines{
                presentation + ".PrintOptions.Ranges.ClearAll method",
                presentation + ".PrintOptions.Ranges.Add method 1, 2",
                presentation + ".PrintOptions.Ranges.Add method 4, 4",
                presentation + ".ExportAsFixedFormat method Path:=" + Quoted(deckPdf) +
                    ", FixedFormatType:=2, Intent:=1, OutputType:=5, PrintHiddenSlides:=True, RangeType:=4, "
                    "PrintRange:=<object>, DocStructureTags:=True",
                presentation + ".Close method",
            }));
  ASSERT_TRUE(lib.ConvertSingleFile(deck, deckPdf, "32",
                                    "MS Powerpoint PDF.Quality=60 PDF.ExportNotesPages=false "
                                    "PDF.ExportHiddenSlides=false")
                  .ok);
  EXPECT_EQ(CallsWith(App::PowerPoint, "ExportAsFixedFormat").back(),
            presentation + ".ExportAsFixedFormat method Path:=" + Quoted(deckPdf) +
                ", FixedFormatType:=2, Intent:=2, OutputType:=1, PrintHiddenSlides:=False");
}

TEST_F(PdfOptions, WhatAnApplicationsExportHasNoArgumentForIsRefusedByNameBeforeTheOpen) {
  struct Case {
    std::string src, format, option, error;
  };
  const std::string doc = File("a.doc"), book = File("book.xls"), deck = File("deck.ppt");
  const std::vector<Case> cases{
      {doc, "17", "MS Word PDF.Quality=80 PDF.ExportFormFields=false",
       "PDF.ExportFormFields: MS Word has no such PDF export option"},
      {doc, "17", "MS Word PDF.SkipEmptyPages=true", "PDF.SkipEmptyPages: MS Word has no such PDF export option"},
      {book, "57", "MS Excel PDF.UpdateIndexes=true", "PDF.UpdateIndexes: MS Excel has no such PDF export option"},
      {doc, "17", "MS Word PAGES=\"1,3\"", "PAGES=: MS Word exports one range of pages"},
      {book, "57", "MS Excel PDF.ExportNotes=false", "PDF.ExportNotes: MS Excel has no such PDF export option"},
      {book, "57", "MS Excel PDF.SinglePageSheets=true",
       "PDF.SinglePageSheets: MS Excel has no such PDF export option"},
      {book, "57", "MS Excel PAGES=\"1-2,5\"", "PAGES=: MS Excel exports one range of pages"},
      {deck, "32", "MS Powerpoint PDF.Landscape=true", "PDF.Landscape: MS Powerpoint has no such PDF export option"},
      {deck, "32", "MS Powerpoint PDF.ExportBookmarks=true",
       "PDF.ExportBookmarks: MS Powerpoint has no such PDF export option"},
      {doc, "-1", "MS Word PDF.Quality=50",
       "PDF.Quality: the printing route (-1) takes no PDF export options; save in the application's PDF format "
       "instead"},
      {doc, "-1", "MS Word PAGES=\"1,3\"", "PAGES=: the printing route (-1) prints one range of pages"},
      {doc, "17", "MS Word PDF.Quality=0", "Invalid value '0' for PDF.Quality= (a whole number from 1 to 100)"},
      {deck, "32", "MS Powerpoint PDF.Notes=true", "Unknown PDF export option 'PDF.Notes'"},
      {book, "57", "MS Excel PAGES=\"1,,2\"",
       "Invalid value '\"1,,2\"' for PAGES= (a quoted list of pages and ranges of pages such as \"1-3,5\")"},
  };
  for (const Case& c : cases) {
    const auto r = lib.ConvertSingleFile(c.src, dir / "out.pdf", c.format, c.option);
    EXPECT_FALSE(r.ok) << c.option;
    EXPECT_EQ(r.errorText, c.error) << c.option;
    EXPECT_EQ(lib.GetFieldValue("errorcode").value, "invalidoption") << c.option;
  }
  EXPECT_EQ(CallsWith(App::Word, "Documents.Open"), Lines{});
  EXPECT_EQ(CallsWith(App::Excel, "Workbooks.Open"), Lines{});
  EXPECT_EQ(CallsWith(App::PowerPoint, "Presentations.Open"), Lines{});
  EXPECT_FALSE(os::FileExists(dir / "out.pdf"));

  // Another format than PDF has no export to refuse them for.
  ASSERT_TRUE(lib.ConvertSingleFile(doc, dir / "a.txt", "2", "MS Word PDF.ExportFormFields=false PAGES=\"1,3\"").ok);
  EXPECT_EQ(CallsWith(App::Word, "ExportAsFixedFormat"), Lines{});
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
