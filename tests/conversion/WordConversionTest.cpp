// Word documents through ConvertSingleFile: the exact calls Word receives,
// the steps of the link, picture, revision and encoding formats, and the
// failures that come back as Word's own texts.
#include "ConversionFixture.h"
#include "platform/fs.h"

namespace quillet::test {
namespace {

using WordConversion = ConversionTest;

std::string Open(const std::string& file, const std::string& more = "") {
  return "Word.Documents.Open method FileName:=\"" + file + "\", ReadOnly:=True, PasswordDocument:=\"zv\"" + more;
}

TEST_F(WordConversion, ADocumentGoesThroughOpenTitleSaveAndClose) {
  const std::string src = File("a.doc"), dest = dir / "a.txt";
  File("a.txt", "an older result");
  const auto r = lib.ConvertSingleFile(src, dest, "2", "MS Word");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.errorText, "");
  EXPECT_EQ(Calls(App::Word), (Lines{
                                  "Word.Visible put False",
                                  "Word.DisplayAlerts put False",
                                  "Word.Documents method|get",
                                  Open(src),
                                  "Word.Document(a.doc).BuiltInDocumentProperties get \"title\"",
                                  "Word.Document(a.doc).BuiltInDocumentProperties(title).value get",
                                  "Word.Document(a.doc).BuiltInDocumentProperties get \"title\"",
                                  "Word.Document(a.doc).BuiltInDocumentProperties(title).value put \"a.doc\"",
                                  "Word.Document(a.doc).SaveAs method FileName:=\"" + dest + "\", FileFormat:=2",
                                  "Word.Document(a.doc).Close method SaveChanges:=0",
                                  "Word.DisplayAlerts put True",
                              }));
  EXPECT_EQ(ReadFile(dest), "Word saved " + src + " as format 2\r\n");
  // Word stays for the next request, and goes when the library does.
  ASSERT_TRUE(lib.ConvertSingleFile(src, dest, "7", "MS Word").ok);
  EXPECT_EQ(CallsWith(App::Word, "Visible").size(), 1u);
  lib.Unload();
  EXPECT_EQ(Calls(App::Word).back(), "Word.Quit method");
  EXPECT_TRUE(d.WaitForServersToExit());
  EXPECT_EQ(d.LiveObjects(App::Word), Lines{});
}

TEST_F(WordConversion, ATitledDocumentKeepsItsTitle) {
  d.Script(App::Word, "Title=Quarterly report\n");
  ASSERT_TRUE(lib.ConvertSingleFile(File("a.doc"), dir / "a.txt", "2", "MS Word").ok);
  EXPECT_EQ(CallsWith(App::Word, "value put"), Lines{});
}

TEST_F(WordConversion, AFailedOpenGivesWordsTextAndTheAlertsComeBack) {
  d.Script(App::Word, "FailOpen=secret.doc|The password is incorrect. Word cannot open the document.\n");
  const std::string src = File("secret.doc");
  const auto r = lib.ConvertSingleFile(src, dir / "secret.txt", "2", "MS Word");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorText, "The password is incorrect. Word cannot open the document.");
  EXPECT_EQ(CallsFrom(App::Word, "Documents.Open"), (Lines{Open(src), "Word.DisplayAlerts put True"}));
  EXPECT_FALSE(os::FileExists(dir / "secret.txt"));
}

TEST_F(WordConversion, TheOpenFormatOptionReachesTheOpenAsFormat) {
  const std::string src = File("a.wpd");
  ASSERT_TRUE(lib.ConvertSingleFile(src, dir / "a.txt", "2", "MS Word OPENFORMAT=5\r\nUSEGSDLL").ok);
  EXPECT_EQ(CallsWith(App::Word, "Documents.Open"), Lines{Open(src, ", Format:=5")});

  // Not a whole number: the open fails with the conversion's text, before
  // Word is asked, and the alerts come back on.
  const auto r = lib.ConvertSingleFile(src, dir / "a.txt", "2", "MS Word OPENFORMAT=abc");
  EXPECT_EQ(r.errorText, "'abc' is not a valid integer value");
  EXPECT_EQ(CallsWith(App::Word, "Documents.Open").size(), 1u);
  EXPECT_EQ(Calls(App::Word).back(), "Word.DisplayAlerts put True");
}

TEST_F(WordConversion, AWebPageTargetPointsLinksToDocumentsAtTheirPages) {
  d.Script(App::Word,
           "Hyperlink=C:\\reports\\Report.DOC|Last year's report\n"
           "Hyperlink=http://example.com/page|Our site\n");
  const std::string dest = dir / "a.htm";
  ASSERT_TRUE(lib.ConvertSingleFile(File("a.doc"), dest, "8", "MS Word").ok);
  const std::string links = "Word.Document(a.doc).Hyperlinks";
  EXPECT_EQ(CallsWith(App::Word, ".Hyperlinks"), (Lines{
                                                     links + " get",
                                                     links + ".Count get",
                                                     links + " get",
                                                     links + ".item get 1",
                                                     links + "(1).address get",
                                                     links + " get",
                                                     links + ".item get 1",
                                                     links + "(1).address put \"C:\\reports\\Report.htm\"",
                                                     links + " get",
                                                     links + ".item get 1",
                                                     links + "(1).TextToDisplay put \"C:\\reports\\Report.htm\"",
                                                     links + " get",
                                                     links + ".item get 2",
                                                     links + "(2).address get",
                                                 }));
  EXPECT_EQ(CallsWith(App::Word, "FileFormat:=8").size(), 1u);
  // Other formats leave the links alone.
  ASSERT_TRUE(lib.ConvertSingleFile(File("b.doc"), dir / "b.txt", "2", "MS Word").ok);
  EXPECT_EQ(CallsWith(App::Word, "Document(b.doc).Hyperlinks"), Lines{});
}

TEST_F(WordConversion, OnlyLinksWhosePathEndsInDocArePointedAtPages) {
  d.Script(App::Word,
           "Hyperlink=https://www.docusign.com/x|Sign here\n"
           "Hyperlink=a.docx|Newer document\n"
           "Hyperlink=http://host/files/Plan.Doc#part2|Plan, part 2\n"
           "Hyperlink=http://host/get.doc?id=7&fmt=.doc|Download\n"
           "Hyperlink=notes.doc.txt|Notes\n");
  ASSERT_TRUE(lib.ConvertSingleFile(File("a.doc"), dir / "a.htm", "8", "MS Word").ok);
  const std::string links = "Word.Document(a.doc).Hyperlinks";
  EXPECT_EQ(CallsWith(App::Word, ".address put"), (Lines{
                                                      links + "(3).address put \"http://host/files/Plan.htm#part2\"",
                                                      links + "(4).address put \"http://host/get.htm?id=7&fmt=.doc\"",
                                                  }));
}

TEST_F(WordConversion, ABrokenLinkListEndsTheLinkStepQuietly) {
  d.Script(App::Word, "Hyperlink=a.doc|a\nHyperlink=b.doc|b\nFail=Word.Document(a.doc).Hyperlinks(1).address|Gone\n");
  const auto r = lib.ConvertSingleFile(File("a.doc"), dir / "a.htm", "8", "MS Word");
  EXPECT_TRUE(r.ok) << r.errorText;
  EXPECT_EQ(CallsWith(App::Word, "(2).address"), Lines{});
  EXPECT_EQ(CallsWith(App::Word, "SaveAs").size(), 1u);
}

TEST_F(WordConversion, AnHtmlSourceSavedAsADocumentEmbedsItsLinkedPictures) {
  d.Script(App::Word,
           "InlineShape=4\nInlineShape=1\nInlineShape=4\n"
           "Fail=Word.Document(page.htm).InlineShapes(3).LinkFormat.Locked|The picture is locked.\n");
  const std::string src = File("page.htm");
  ASSERT_TRUE(lib.ConvertSingleFile(src, dir / "page.doc", "0", "MS Word").ok);
  const std::string shapes = "Word.Document(page.htm).InlineShapes";
  EXPECT_EQ(CallsWith(App::Word, ".InlineShapes"), (Lines{
                                                       shapes + " get",
                                                       shapes + ".Count get",
                                                       shapes + ".Item get 1",
                                                       shapes + "(1).Type get",
                                                       shapes + "(1).LinkFormat get",
                                                       shapes + "(1).LinkFormat.SavePictureWithDocument put True",
                                                       shapes + "(1).LinkFormat get",
                                                       shapes + "(1).LinkFormat.Locked put True",
                                                       shapes + "(1).LinkFormat get",
                                                       shapes + "(1).LinkFormat.BreakLink method",
                                                       shapes + ".Item get 2",
                                                       shapes + "(2).Type get",
                                                       shapes + ".Item get 3",
                                                       shapes + "(3).Type get",
                                                       shapes + "(3).LinkFormat get",
                                                       shapes + "(3).LinkFormat.SavePictureWithDocument put True",
                                                       shapes + "(3).LinkFormat get",
                                                       shapes + "(3).LinkFormat.Locked put True",
                                                   }));
  // RTF too; a text target, or a source that is no web page, leaves pictures alone.
  ASSERT_TRUE(lib.ConvertSingleFile(src, dir / "page.rtf", "6", "MS Word").ok);
  EXPECT_EQ(CallsWith(App::Word, ".InlineShapes get").size(), 2u);
  ASSERT_TRUE(lib.ConvertSingleFile(src, dir / "page.txt", "2", "MS Word").ok);
  ASSERT_TRUE(lib.ConvertSingleFile(File("a.doc"), dir / "b.doc", "0", "MS Word").ok);
  EXPECT_EQ(CallsWith(App::Word, ".InlineShapes get").size(), 2u);
}

TEST_F(WordConversion, PicturesThatCannotBeReachedFailTheConversionAfterTheClose) {
  d.Script(App::Word, "InlineShape=4\nInlineShape=4\nFail=Word.Document(page.html).InlineShapes(2).Type|Shape gone.\n");
  const auto r = lib.ConvertSingleFile(File("page.html"), dir / "page.doc", "0", "MS Word");
  EXPECT_EQ(r.errorText, "Shape gone.");
  EXPECT_EQ(CallsFrom(App::Word, "InlineShapes(2).Type"),
            (Lines{"Word.Document(page.html).InlineShapes(2).Type get",
                   "Word.Document(page.html).Close method SaveChanges:=0"}));
}

TEST_F(WordConversion, RevisionMarksAreTurnedOnForMinusTwo) {
  const std::string dest = dir / "a.doc.out";
  ASSERT_TRUE(lib.ConvertSingleFile(File("a.doc"), dest, "-2", "MS Word").ok);
  EXPECT_EQ(CallsFrom(App::Word, "TrackRevisions"),
            (Lines{"Word.Document(a.doc).TrackRevisions put True", "Word.Document(a.doc).PrintRevisions put True",
                   "Word.Document(a.doc).ShowRevisions put True",
                   "Word.Document(a.doc).SaveAs method FileName:=\"" + dest + "\", FileFormat:=0",
                   "Word.Document(a.doc).Close method SaveChanges:=0", "Word.DisplayAlerts put True"}));
}

TEST_F(WordConversion, EncodedTextTakesItsCodePageFromTheFirstCharacter) {
  d.Script(App::Word, "Version=10.0\nCharacters=12|2052\n");
  const std::string dest = dir / "a.txt";
  ASSERT_TRUE(lib.ConvertSingleFile(File("a.doc"), dest, "-3", "MS Word").ok);
  EXPECT_EQ(CallsWith(App::Word, "Document(a.doc).Characters"),
            (Lines{"Word.Document(a.doc).Characters get", "Word.Document(a.doc).Characters.Count get",
                   "Word.Document(a.doc).Characters get", "Word.Document(a.doc).Characters.Item get 1",
                   "Word.Document(a.doc).Characters(1).LanguageIDFarEast get"}));
  // The open encoding is read once per Unicode code page compared.
  EXPECT_EQ(CallsWith(App::Word, "OpenEncoding get").size(), 4u);
  // Word 10 takes the code page with the save.
  EXPECT_EQ(CallsWith(App::Word, "SaveAs"),
            Lines{"Word.Document(a.doc).SaveAs method FileName:=\"" + dest + "\", FileFormat:=7, Encoding:=936"});
  EXPECT_EQ(ReadFile(dest), "Word saved " + (dir / "a.doc") + " as format 7 encoding 936\r\n");
}

TEST_F(WordConversion, OlderWordTakesTheCodePageFromTheDocument) {
  d.Script(App::Word, "Version=9.0\nCharacters=3|1028\n");
  ASSERT_TRUE(lib.ConvertSingleFile(File("a.doc"), dir / "a.txt", "-3", "MS Word").ok);
  EXPECT_EQ(CallsFrom(App::Word, "SaveEncoding"),
            (Lines{"Word.Document(a.doc).SaveEncoding put 950",
                   "Word.Document(a.doc).SaveAs method FileName:=\"" + (dir / "a.txt") + "\", FileFormat:=7",
                   "Word.Document(a.doc).Close method SaveChanges:=0", "Word.DisplayAlerts put True"}));
}

TEST_F(WordConversion, TheEncodingChoiceFollowsTheDocument) {
  struct Case {
    const char* script;
    const char* encoding;
  };
  const Case cases[] = {
      {"Characters=0|2052\nOpenEncoding=1252\n", "1252"},    // empty: the open encoding
      {"Characters=5|2052\nOpenEncoding=65001\n", "65001"},  // Unicode: kept
      {"Characters=5|1033\nOpenEncoding=932\n", "932"},      // not Chinese: the open encoding
      {"Characters=5|3076\n", "950"},                        // Hong Kong
      {"Characters=5|4100\n", "950"},                        // Singapore
      {"Characters=5|5124\n", "950"},                        // Macao
      // An unreadable property keeps what was reached: nothing, so 0.
      {"Characters=5|2052\nFail=Word.Document(a.doc).Characters(1).LanguageIDFarEast|Busy\n", "0"},
  };
  for (const Case& c : cases) {
    d.Script(App::Word, std::string("Version=11.0\n") + c.script);
    lib.Reload();
    ASSERT_TRUE(lib.ConvertSingleFile(File("a.doc"), dir / "a.txt", "-3", "MS Word").ok) << c.script;
    EXPECT_EQ(ReadFile(dir / "a.txt"), "Word saved " + (dir / "a.doc") + " as format 7 encoding " + c.encoding + "\r\n")
        << c.script;
  }
}

TEST_F(WordConversion, AFormatThatIsNoNumberClosesTheDocumentWithTheConversionText) {
  File("a.txt", "an older result");
  const auto r = lib.ConvertSingleFile(File("a.doc"), dir / "a.txt", "abc", "MS Word");
  EXPECT_EQ(r.errorText, "'abc' is not a valid integer value");
  // The old result was deleted before the save was tried.
  EXPECT_FALSE(os::FileExists(dir / "a.txt"));
  EXPECT_EQ(CallsFrom(App::Word, "value put"),
            (Lines{"Word.Document(a.doc).BuiltInDocumentProperties(title).value put \"a.doc\"",
                   "Word.Document(a.doc).Close method SaveChanges:=0"}));
}

TEST_F(WordConversion, AFailedSaveClosesTheDocumentOnceAndAFailedCloseReachesTheCaller) {
  d.Script(App::Word, "Fail=Word.Document(a.doc).SaveAs|The disk is full.\n");
  auto r = lib.ConvertSingleFile(File("a.doc"), dir / "a.txt", "2", "MS Word");
  EXPECT_EQ(r.errorText, "The disk is full.");
  EXPECT_EQ(CallsWith(App::Word, "Close"), Lines{"Word.Document(a.doc).Close method SaveChanges:=0"});

  // The save works but the close fails: the handler closes again, and that
  // failure is not caught by the procedure; the caller still gets its text.
  d.Script(App::Word, "Fail=Word.Document(b.doc).Close|Word is not responding.\n");
  lib.Reload();
  r = lib.ConvertSingleFile(File("b.doc"), dir / "b.txt", "2", "MS Word");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorText, "Word is not responding.");
  EXPECT_EQ(CallsWith(App::Word, "Document(b.doc).Close"), (Lines{"Word.Document(b.doc).Close method SaveChanges:=0",
                                                                  "Word.Document(b.doc).Close method SaveChanges:=0"}));
}

TEST_F(WordConversion, PdfIsPrintedNeverSavedAndNeverDeletesTheDestinationFirst) {
  File("a.pdf", "an older result");
  d.Script(App::Word, "Fail=Word.Document(a.doc).PrintOut|The printer is out of paper.\n");
  auto r = lib.ConvertSingleFile(File("a.doc"), dir / "a.pdf", "-1", "MS Word");
  EXPECT_EQ(r.errorText, "The printer is out of paper.");
  EXPECT_EQ(CallsWith(App::Word, "SaveAs"), Lines{});
  EXPECT_EQ(CallsWith(App::Word, "Close"), Lines{"Word.Document(a.doc).Close method SaveChanges:=0"});
  EXPECT_EQ(ReadFile(dir / "a.pdf"), "an older result");

  // Through the entry points with the library's own waits, the PDF maker's PDF.
  d.Script(App::Word, "");
  lib.Reload();
  r = lib.ConvertSingleFile(File("a.doc"), dir / "a.pdf", "-1", "MS Word");
  EXPECT_TRUE(r.ok) << r.errorText;
  EXPECT_EQ(ReadFile(dir / "a.pdf").rfind("%PDF-", 0), 0u);
  EXPECT_EQ(CallsWith(App::Word, "SaveAs"), Lines{});
}

TEST_F(WordConversion, MergingIsForWorkbooksAndPresentationsOnly) {
  ASSERT_TRUE(lib.ConvertSingleFile(File("a.doc"), dir / "a.htm", "44", "MS Word MERGEHTML").ok);
  EXPECT_EQ(ReadFile(dir / "a.htm"), "Word saved " + (dir / "a.doc") + " as format 44\r\n");
}

}  // namespace
}  // namespace quillet::test
