// Format "-1" through Word, Excel and PowerPoint: the exact calls of each
// application's PDF stage, the PDF maker and the PDF document, the
// Ghostscript path, the printer kept between requests, and the failures:
// a PostScript file that never comes, a print that fails, a conversion that
// fails, a destination that cannot be written, unreadable properties.
#include "PrintingFixture.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "procedures/PdfStage.h"

namespace quillet::test {
namespace {

using PdfStage = PrintingTest;

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

TEST_F(PdfStage, WordPrintsThroughThePostScriptPrinterAndThePdfGetsTheDocumentInformation) {
  d.Script(App::Word,
           "Title=Quarterly report\nProperty=Subject|Sales\nProperty=Author|Ann Smith\n"
           "Property=Keywords|north, south\n");
  const std::string src = Src("report.doc"), dest = dir / "report.pdf";
  const std::string ps = temp / "report.ps";
  const std::string printer = ChosenPrinter();
  ASSERT_FALSE(printer.empty());
  EXPECT_EQ(ToPdf("MS Word", src, dest), "");
  const std::string doc = "Word.Document(report.doc)";
  EXPECT_EQ(CallsFrom(App::Word, "Documents.Open"),
            (Lines{
                "Word.Documents.Open method FileName:=" + Quoted(src) + ", ReadOnly:=True, PasswordDocument:=\"zv\"",
                doc + ".BuiltInDocumentProperties get \"title\"",
                doc + ".BuiltInDocumentProperties(title).value get",
                doc + ".BuiltInDocumentProperties get 1",
                doc + ".BuiltInDocumentProperties(1).Value get",
                doc + ".BuiltInDocumentProperties get 2",
                doc + ".BuiltInDocumentProperties(2).Value get",
                doc + ".BuiltInDocumentProperties get 3",
                doc + ".BuiltInDocumentProperties(3).Value get",
                doc + ".BuiltInDocumentProperties get 4",
                doc + ".BuiltInDocumentProperties(4).Value get",
                "Word.ActivePrinter get",
                "Word.ActivePrinter put " + Quoted(printer),
                doc + ".PrintOut method OutputFileName:=" + Quoted(ps) + ", PrintToFile:=True, Background:=False",
                doc + ".Close method SaveChanges:=0",
                "Word.ActivePrinter put \"Office Printer on LPT1:\"",
                "Word.DisplayAlerts put True",
            }));
  EXPECT_EQ(d.Calls(App::PdfMaker), Lines{"PdfMaker.FileToPdf method " + Quoted(ps) + ", " + Quoted(dest) + ", \"\""});
  EXPECT_EQ(d.Calls(App::PdfDocument), (Lines{
                                           "PdfDocument.Open method " + Quoted(dest),
                                           "PdfDocument.SetInfo method \"Title\", \"Quarterly report\"",
                                           "PdfDocument.SetInfo method \"Subject\", \"Sales\"",
                                           "PdfDocument.SetInfo method \"Author\", \"Ann Smith\"",
                                           "PdfDocument.SetInfo method \"Keywords\", \"north, south\"",
                                           "PdfDocument.Save method 33, " + Quoted(dest),
                                           "PdfDocument.Close method",
                                       }));
  EXPECT_TRUE(StartsWith(ReadFile(dest), "%PDF-"));
  EXPECT_FALSE(os::FileExists(ps));
  EXPECT_EQ(conv.PostScriptPrinter(), printer);
}

TEST_F(PdfStage, ExcelIsGivenThePrinterWithThePrintAndItsPromptsComeBack) {
  const std::string src = Src("book.xls"), dest = dir / "book.pdf", ps = temp / "book.ps";
  const std::string printer = ChosenPrinter();
  EXPECT_EQ(ToPdf("MS Excel", src, dest, "orientation:=2"), "");
  const std::string book = "Excel.Workbook(book.xls)";
  EXPECT_EQ(CallsFrom(App::Excel, ".BuiltInDocumentProperties get 1"),
            (Lines{
                book + ".BuiltInDocumentProperties get 1",
                book + ".BuiltInDocumentProperties(1).Value get",
                book + ".BuiltInDocumentProperties get 2",
                book + ".BuiltInDocumentProperties(2).Value get",
                book + ".BuiltInDocumentProperties get 3",
                book + ".BuiltInDocumentProperties(3).Value get",
                book + ".BuiltInDocumentProperties get 4",
                book + ".BuiltInDocumentProperties(4).Value get",
                book + ".PrintOut method ActivePrinter:=" + Quoted(printer) + ", PrToFileName:=" + Quoted(ps) +
                    ", PrintToFile:=True",
                book + ".Close method SaveChanges:=0",
                "Excel.DisplayAlerts put True",
                "Excel.AskToUpdateLinks put True",
            }));
  // The workbook had no title: it was given the file's name, which the PDF gets.
  EXPECT_EQ(CallsWith(App::PdfDocument, "\"Title\""), Lines{"PdfDocument.SetInfo method \"Title\", \"book.xls\""});
  EXPECT_FALSE(os::FileExists(ps));
}

TEST_F(PdfStage, PowerPointTakesThePrinterFromItsPrintOptionsAndFitsTheSlides) {
  const std::string src = Src("deck.ppt"), dest = dir / "deck.pdf", ps = temp / "deck.ps";
  const std::string printer = ChosenPrinter();
  EXPECT_EQ(ToPdf("MS Powerpoint", src, dest, "USEGSDLL orientation:=1"), "");
  const std::string deck = "PowerPoint.Presentation(deck.ppt)";
  // With USEGSDLL no property is read.
  EXPECT_EQ(CallsFrom(App::PowerPoint, ".PrintOptions"),
            (Lines{
                deck + ".PrintOptions get",
                deck + ".PrintOptions.ActivePrinter put " + Quoted(printer),
                deck + ".PrintOptions get",
                deck + ".PrintOptions.FitToPage put True",
                deck + ".PrintOut method PrintToFile:=" + Quoted(ps),
                deck + ".Close method",
            }));
  EXPECT_EQ(CallsWith(App::PowerPoint, "BuiltInDocumentProperties get 1"), Lines{});
  // Ghostscript made the PDF; neither PDF object was asked.
  EXPECT_TRUE(StartsWith(ReadFile(dest), "%PDF-"));
  EXPECT_EQ(d.Calls(App::PdfMaker), Lines{});
  EXPECT_EQ(d.Calls(App::PdfDocument), Lines{});
  EXPECT_FALSE(os::FileExists(ps));
  EXPECT_TRUE(NoTemporaryFile(".ps"));
}

TEST_F(PdfStage, TheOrientationKeywordsReachWordOnlyAndTheSecondWins) {
  const std::string src = Src("a.doc");
  EXPECT_EQ(ToPdf("MS Word", src, dir / "a.pdf", "orientation:=2 orientation:=1"), "");
  EXPECT_EQ(CallsWith(App::Word, "PageSetup"), (Lines{
                                                   "Word.Document(a.doc).PageSetup get",
                                                   "Word.Document(a.doc).PageSetup.Orientation put 1",
                                                   "Word.Document(a.doc).PageSetup get",
                                                   "Word.Document(a.doc).PageSetup.Orientation put 2",
                                               }));
  EXPECT_EQ(ToPdf("MS Word", src, dir / "b.pdf", "orientation:=1"), "");
  EXPECT_EQ(CallsWith(App::Word, "Orientation put").size(), 3u);
  EXPECT_EQ(ToPdf("MS Word", src, dir / "c.pdf"), "");
  EXPECT_EQ(CallsWith(App::Word, "Orientation put").size(), 3u);
  // A page set-up that refuses does not keep the document from printing.
  d.Script(App::Word, "Fail=Word.Document(a.doc).PageSetup|Not available\n");
  TOfficeConvertClass again;
  EXPECT_EQ(ToPdf("MS Word", src, dir / "d.pdf", "orientation:=2", &again), "");
  EXPECT_TRUE(os::FileExists(dir / "d.pdf"));
}

TEST_F(PdfStage, ThePagesKeywordReachesEachApplicationsPrintCall) {
  const std::string printer = ChosenPrinter();
  EXPECT_EQ(ToPdf("MS Word", Src("a.doc"), dir / "a.pdf", "PAGES=2-3"), "");
  EXPECT_EQ(CallsWith(App::Word, ".PrintOut"),
            Lines{"Word.Document(a.doc).PrintOut method OutputFileName:=" + Quoted(temp / "a.ps") +
                  ", PrintToFile:=True, Background:=False, Range:=3, From:=\"2\", To:=\"3\""});
  EXPECT_EQ(ToPdf("MS Excel", Src("book.xls"), dir / "book.pdf", "PAGES=2-3"), "");
  EXPECT_EQ(CallsWith(App::Excel, ".PrintOut"),
            Lines{"Excel.Workbook(book.xls).PrintOut method ActivePrinter:=" + Quoted(printer) +
                  ", PrToFileName:=" + Quoted(temp / "book.ps") + ", PrintToFile:=True, From:=2, To:=3"});
  EXPECT_EQ(ToPdf("MS Powerpoint", Src("deck.ppt"), dir / "deck.pdf", "PAGES=4"), "");
  EXPECT_EQ(CallsWith(App::PowerPoint, ".PrintOut"),
            Lines{"PowerPoint.Presentation(deck.ppt).PrintOut method From:=4, To:=4, PrintToFile:=" +
                  Quoted(temp / "deck.ps")});
}

TEST_F(PdfStage, ThePrinterIsChosenOnceAndKept) {
  const std::string src = Src("a.doc");
  ASSERT_EQ(ToPdf("MS Word", src, dir / "a.pdf"), "");
  ASSERT_FALSE(conv.PostScriptPrinter().empty());
  // The kept name is used as it is: nothing looks for a printer again.
  conv.PostScriptPrinter() = "Kept Printer";
  MessageBoxRecorder boxes;
  ASSERT_EQ(ToPdf("MS Word", src, dir / "b.pdf"), "");
  EXPECT_EQ(CallsWith(App::Word, "ActivePrinter put \"Kept Printer\"").size(), 1u);
#ifndef _WIN32
  // A queue the print server does not know cannot be read: the wait for it
  // ends after a message box with the server's reason.
  EXPECT_EQ(boxes.boxes().size(), 1u);
#else
  // The spooler does not open it: there is no queue to wait for.
  EXPECT_EQ(boxes.boxes().size(), 0u);
#endif
  ASSERT_EQ(ToPdf("MS Excel", Src("b.xls"), dir / "c.pdf"), "");
  EXPECT_EQ(CallsWith(App::Excel, "ActivePrinter:=\"Kept Printer\"").size(), 1u);
}

TEST_F(PdfStage, APostScriptFileThatNeverComesEndsAtTheBound) {
  d.Script(App::Word, "PrintOutput=none\n");
  conv.Settings().PrintWaitLimits.FileTimeoutMs = 400;
  const std::string src = Src("a.doc"), ps = temp / "a.ps";
  const uint32_t start = os::TickCount();
  const std::string error = ToPdf("MS Word", src, dir / "a.pdf");
  const uint32_t spent = os::TicksSince(start);
  EXPECT_EQ(error, "The PostScript file \"" + ps + "\" did not appear within 400 ms of printing to \"" +
                       conv.PostScriptPrinter() + "\"");
  EXPECT_GE(spent, 400u);
  EXPECT_LT(spent, 4000u);
  // The document was closed after printing; nothing was made.
  EXPECT_EQ(CallsWith(App::Word, "Close method").size(), 1u);
  EXPECT_EQ(d.Calls(App::PdfMaker), Lines{});
  EXPECT_FALSE(os::FileExists(dir / "a.pdf"));
}

TEST_F(PdfStage, APrintThatFailsClosesTheDocumentAndPutsWordsPrinterBack) {
  d.Script(App::Word, "Fail=Word.Document(a.doc).PrintOut|The printer is out of paper.\n");
  const std::string error = ToPdf("MS Word", Src("a.doc"), dir / "a.pdf");
  EXPECT_EQ(error, "The printer is out of paper.");
  EXPECT_EQ(CallsFrom(App::Word, "PrintOut"), (Lines{
                                                  "Word.Document(a.doc).PrintOut method OutputFileName:=\"" +
                                                      (temp / "a.ps") + "\", PrintToFile:=True, Background:=False",
                                                  "Word.Document(a.doc).Close method SaveChanges:=0",
                                                  "Word.ActivePrinter put \"Office Printer on LPT1:\"",
                                                  "Word.DisplayAlerts put True",
                                              }));
  EXPECT_TRUE(NoTemporaryFile(".ps"));

  d.Script(App::Excel, "Fail=Excel.Workbook(b.xls).PrintOut|No printer.\n");
  EXPECT_EQ(ToPdf("MS Excel", Src("b.xls"), dir / "b.pdf"), "No printer.");
  EXPECT_EQ(CallsWith(App::Excel, "Close method").size(), 1u);

  d.Script(App::PowerPoint, "Fail=PowerPoint.Presentation(c.ppt).PrintOut|PrintOut failed.\n");
  EXPECT_EQ(ToPdf("MS Powerpoint", Src("c.ppt"), dir / "c.pdf"), "PrintOut failed.");
  EXPECT_EQ(CallsWith(App::PowerPoint, "Close method").size(), 1u);
  EXPECT_EQ(d.Calls(App::PdfMaker), Lines{});
}

TEST_F(PdfStage, APrinterTheApplicationRefusesLeavesNothingOpenOrSwitched) {
  d.Script(App::Word, "Fail=Word.ActivePrinter|The printer cannot be used.\n");
  // Such a failure is not the conversion's text: it reaches the caller.
  EXPECT_THROW(ToPdf("MS Word", Src("a.doc"), dir / "a.pdf"), std::exception);
  EXPECT_EQ(CallsFrom(App::Word, "ActivePrinter"), (Lines{
                                                       "Word.ActivePrinter get",
                                                       "Word.Document(a.doc).Close method SaveChanges:=0",
                                                       "Word.DisplayAlerts put True",
                                                   }));
  EXPECT_TRUE(NoTemporaryFile(".ps"));

  d.Script(App::PowerPoint, "Fail=PowerPoint.Presentation(c.ppt).PrintOptions.ActivePrinter|Refused.\n");
  EXPECT_THROW(ToPdf("MS Powerpoint", Src("c.ppt"), dir / "c.pdf"), std::exception);
  EXPECT_EQ(CallsWith(App::PowerPoint, "Close method"), Lines{"PowerPoint.Presentation(c.ppt).Close method"});
  EXPECT_EQ(d.Calls(App::PdfMaker), Lines{});
}

TEST_F(PdfStage, ThePdfMakersFailureIsTheErrorAndNoPostScriptStays) {
  d.Script(App::PdfMaker, "Fail=PdfMaker.FileToPdf|Distiller cannot start.\n");
  EXPECT_EQ(ToPdf("MS Word", Src("a.doc"), dir / "a.pdf"), "Distiller cannot start.");
  EXPECT_TRUE(NoTemporaryFile(".ps"));
  EXPECT_EQ(d.Calls(App::PdfDocument), Lines{});
}

TEST_F(PdfStage, APdfMakerThatAnswersFailureHasFailed) {
  d.Script(App::PdfMaker, "FileToPdfResult=0\n");
  const std::string dest = dir / "a.pdf";
  EXPECT_EQ(ToPdf("MS Word", Src("a.doc"), dest),
            "The PDF maker could not make \"" + dest + "\" from \"" + (temp / "a.ps") + "\"");
  EXPECT_TRUE(NoTemporaryFile(".ps"));
}

TEST_F(PdfStage, WithoutAPdfMakerTheTextSaysWhatToInstall) {
  d.Unregister("PdfDistiller.PdfDistiller");
  const std::string error = ToPdf("MS Word", Src("a.doc"), dir / "a.pdf");
  EXPECT_TRUE(StartsWith(error, "No PDF maker is installed: \"PdfDistiller.PdfDistiller\" cannot be created ("))
      << error;
  EXPECT_NE(error.find("Install Adobe Acrobat"), std::string::npos) << error;
  EXPECT_TRUE(NoTemporaryFile(".ps"));
  // Once installed, the next request finds it.
  d.Register("PdfDistiller.PdfDistiller", App::PdfMaker);
  EXPECT_EQ(ToPdf("MS Word", Src("a.doc"), dir / "a.pdf"), "");
}

TEST_F(PdfStage, UnreadablePropertiesLeaveThePdfWithoutDocumentInformation) {
  d.Script(App::Word, "Fail=Word.Document(a.doc).BuiltInDocumentProperties(3).Value|Not available.\n");
  EXPECT_EQ(ToPdf("MS Word", Src("a.doc"), dir / "a.pdf"), "");
  EXPECT_TRUE(StartsWith(ReadFile(dir / "a.pdf"), "%PDF-"));
  EXPECT_EQ(d.Calls(App::PdfDocument), Lines{});
  // A PDF document that cannot be had changes nothing either.
  d.Unregister("AcroExch.PDDoc");
  EXPECT_EQ(ToPdf("MS Word", Src("b.doc"), dir / "b.pdf"), "");
  EXPECT_TRUE(StartsWith(ReadFile(dir / "b.pdf"), "%PDF-"));
}

TEST_F(PdfStage, ADestinationThatCannotBeWrittenFailsOnBothPaths) {
  // A folder stands where the PDF should go.
  const std::string dest = dir / "taken.pdf";
  os::ForceDirectories(dest);
  EXPECT_EQ(ToPdf("MS Word", Src("taken.doc"), dest), "The file could not be saved: " + dest);
  EXPECT_EQ(ToPdf("MS Word", Src("taken.doc"), dest, "USEGSDLL"), "Can not init gsdll32.dll!");
  EXPECT_TRUE(NoTemporaryFile(".ps"));
}

TEST_F(PdfStage, GhostscriptFailingOnABrokenPostScriptFileGivesItsText) {
  d.Script(App::Excel, "PrintOutput=broken\n");
  EXPECT_EQ(ToPdf("MS Excel", Src("a.xls"), dir / "a.pdf", "USEGSDLL"), "Can not init gsdll32.dll!");
  EXPECT_TRUE(NoTemporaryFile(".ps"));
  // The next conversion of the same process goes through.
  d.Script(App::Excel, "");
  TOfficeConvertClass again;
  EXPECT_EQ(ToPdf("MS Excel", Src("a.xls"), dir / "a.pdf", "USEGSDLL", &again), "");
  EXPECT_TRUE(StartsWith(ReadFile(dir / "a.pdf"), "%PDF-"));
}

TEST_F(PdfStage, ThePostScriptFileIsNamedAfterTheDestination) {
  const std::string dest = dir / "year.end.pdf";
  EXPECT_EQ(PostScriptFileFor(dest), path::IncludeTrailingDelimiter(temp.path()) + "year.end.ps");
}

}  // namespace
}  // namespace quillet::test
