// Word documents through the Word stand-in and LibreOffice Writer, driven the
// way the converter drives Word.
#include <gtest/gtest.h>

#include <filesystem>

#include "OfficeTestSupport.h"
#include "platform/error.h"

namespace quillet {
namespace {

using test::Apps;
using test::OpenWord;
using test::ReadFile;

const std::string kChinese = "\xe4\xb8\xad\xe6\x96\x87";  // two Chinese characters
const std::string kGreeting =
    "Gr\xc3\xbc\xc3\x9f"
    "e";  // German, with u umlaut and sharp s

class Word : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    const std::string styles =
        "<style:style style:name=\"zh\" style:family=\"paragraph\"><style:text-properties "
        "style:language-asian=\"zh\" style:country-asian=\"CN\"/></style:style>";
    const std::string body =
        "<text:p text:style-name=\"zh\">" + kChinese +
        " alpha</text:p>"
        "<text:p>" +
        kGreeting +
        " bravo <text:a xlink:type=\"simple\" xlink:href=\"http://example.com/Report.DOC\">"
        "the report</text:a> and <text:a xlink:type=\"simple\" xlink:href=\"http://example.com/page.html#top\">"
        "a page</text:a>.</text:p>";
    docx_ = new std::string(test::MakeWordDocument(*dir_, "memo", test::FlatText(body, styles)));
  }
  static void TearDownTestSuite() {
    delete docx_;
    delete dir_;
  }
  static std::string Path(const std::string& name) { return *dir_ / name; }
  static test::TempDir* dir_;
  static std::string* docx_;
};
test::TempDir* Word::dir_ = nullptr;
std::string* Word::docx_ = nullptr;

TEST_F(Word, DocxSavedAsTextGivesItsWordsInUtf8) {
  const ole::Variant doc = OpenWord(*docx_);
  test::SaveAs(doc, Path("memo.txt"), 2);
  doc.Call("Close", {}, {{"SaveChanges", 0}});
  const std::string text = ReadFile(Path("memo.txt"));
  EXPECT_EQ(text.rfind(kChinese + " alpha\r\n", 0), 0u) << text;  // no byte-order mark
  EXPECT_NE(text.find(kGreeting + " bravo the report and a page."), std::string::npos) << text;
}

TEST_F(Word, TextFormatsWriteTheirCodePages) {
  const ole::Variant doc = OpenWord(*docx_);
  test::SaveAs(doc, Path("unicode.txt"), 7);
  doc.Call("SaveAs", {}, {{"FileName", Path("gbk.txt")}, {"FileFormat", 7}, {"Encoding", 936}});
  doc.Call("SaveAs", {}, {{"FileName", Path("bigendian.txt")}, {"FileFormat", 7}, {"Encoding", 1201}});
  test::SaveAs(doc, Path("dos.txt"), 4);
  doc.Put("SaveEncoding", 950);
  test::SaveAs(doc, Path("big5.txt"), 7);  // SaveEncoding stands when no Encoding is passed
  doc.Call("Close", {}, {{"SaveChanges", 0}});
  EXPECT_EQ(ReadFile(Path("unicode.txt")).substr(0, 6), std::string("\xff\xfe\x2d\x4e\x87\x65", 6));
  // UTF-16 big endian: the same text with every pair of bytes the other way round.
  std::string swapped = ReadFile(Path("unicode.txt"));
  for (size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
  EXPECT_EQ(ReadFile(Path("bigendian.txt")), swapped);
  EXPECT_EQ(ReadFile(Path("gbk.txt")).rfind("\xd6\xd0\xce\xc4 alpha\r\n", 0), 0u);
  EXPECT_EQ(ReadFile(Path("big5.txt")).rfind("\xa4\xa4\xa4\xe5 alpha\r\n", 0), 0u);
  // Code page 437: u umlaut 0x81, sharp s 0xE1; the Chinese characters have no place in it.
  const std::string dos = ReadFile(Path("dos.txt"));
  EXPECT_EQ(dos.rfind("?? alpha\r\n", 0), 0u) << dos;
  EXPECT_NE(dos.find("Gr\x81\xe1"
                     "e bravo"),
            std::string::npos)
      << dos;
}

TEST_F(Word, DocAndBackKeepsTheWords) {
  const ole::Variant doc = OpenWord(*docx_);
  test::SaveAs(doc, Path("memo.doc"), 0);
  doc.Call("Close", {}, {{"SaveChanges", 0}});
  EXPECT_EQ(ReadFile(Path("memo.doc")).substr(0, 4), "\xd0\xcf\x11\xe0");  // a Word 97 compound file
  const ole::Variant back = OpenWord(Path("memo.doc"));
  test::SaveAs(back, Path("back.docx"), 16);
  test::SaveAs(back, Path("back.txt"), 2);
  back.Call("Close", {}, {{"SaveChanges", 0}});
  EXPECT_EQ(ReadFile(Path("back.docx")).substr(0, 2), "PK");
  EXPECT_NE(ReadFile(Path("back.txt")).find(kGreeting + " bravo the report"), std::string::npos);
}

TEST_F(Word, HyperlinksAreReadAndRewritten) {
  const ole::Variant doc = OpenWord(*docx_);
  const ole::Variant links = doc.Get("Hyperlinks");
  ASSERT_EQ(links.Get("Count").AsInteger(), 2);
  EXPECT_EQ(links.CallOrGet("item", {1}).Get("address").AsString(), "http://example.com/Report.DOC");
  EXPECT_EQ(links.CallOrGet("item", {1}).Get("TextToDisplay").AsString(), "the report");
  EXPECT_EQ(links.CallOrGet("item", {2}).Get("address").AsString(), "http://example.com/page.html");
  EXPECT_EQ(links.CallOrGet("item", {2}).Get("SubAddress").AsString(), "top");
  // What the converter does before saving a web page: the link and its text.
  doc.Get("Hyperlinks").CallOrGet("item", {1}).Put("address", "http://example.com/Report.htm");
  doc.Get("Hyperlinks").CallOrGet("item", {1}).Put("TextToDisplay", "http://example.com/Report.htm");
  EXPECT_EQ(test::ErrorOf([&] { links.CallOrGet("item", {3}); }),
            "The requested member of the collection does not exist.");
  test::SaveAs(doc, Path("links.htm"), 8);
  doc.Call("Close", {}, {{"SaveChanges", 0}});
  const std::string html = ReadFile(Path("links.htm"));
  EXPECT_NE(html.find("href=\"http://example.com/Report.htm\">http://example.com/Report.htm</a>"), std::string::npos)
      << html;
  EXPECT_NE(html.find("href=\"http://example.com/page.html#top\">a"), std::string::npos) << html;
  EXPECT_EQ(html.find("Report.DOC"), std::string::npos);
}

TEST_F(Word, CharactersTellTheirLanguagesAndTheDocumentItsEncodings) {
  const ole::Variant doc = OpenWord(*docx_);
  const ole::Variant chars = doc.Get("Characters");
  // Two paragraphs of 8 and 34 characters, each with its mark.
  const int count = chars.Get("Count").AsInteger();
  EXPECT_EQ(count, 8 + 1 + 34 + 1);
  EXPECT_EQ(chars.CallOrGet("Item", {1}).Get("LanguageIDFarEast").AsInteger(), 2052);
  EXPECT_EQ(chars.CallOrGet("Item", {1}).Get("Text").AsString(), "\xe4\xb8\xad");
  // A Latin letter carries no East Asian language of its own: its Western one.
  EXPECT_EQ(chars.CallOrGet("Item", {4}).Get("Text").AsString(), "a");
  EXPECT_EQ(chars.CallOrGet("Item", {4}).Get("LanguageIDFarEast").AsInteger(),
            chars.CallOrGet("Item", {4}).Get("LanguageID").AsInteger());
  EXPECT_NE(chars.CallOrGet("Item", {4}).Get("LanguageIDFarEast").AsInteger(), 2052);
  // Not a text: the system's ANSI code page, as Word reports it.
  EXPECT_EQ(doc.Get("OpenEncoding").AsInteger(), 1252);
  EXPECT_EQ(doc.Get("SaveEncoding").AsInteger(), 1252);
  doc.Call("Close", {}, {{"SaveChanges", 0}});

  // A text file keeps the code page it was read in.
  test::WriteFile(Path("latin.txt"), "caf\xe9 au lait\r\n");
  const ole::Variant text = OpenWord(Path("latin.txt"));
  EXPECT_EQ(text.Get("OpenEncoding").AsInteger(), 1252);
  test::SaveAs(text, Path("latin-utf8.txt"), 2);
  text.Call("Close", {}, {{"SaveChanges", 0}});
  EXPECT_EQ(ReadFile(Path("latin-utf8.txt")), "caf\xc3\xa9 au lait\r\n");

  // UTF-16 big endian is read, reported and written back as it was.
  const std::string bigEndian("\xfe\xff\0c\0a\0f\0\xe9\x4e\x2d\0\r\0\n", 16);
  test::WriteFile(Path("big.txt"), bigEndian);
  const ole::Variant big = OpenWord(Path("big.txt"));
  EXPECT_EQ(big.Get("OpenEncoding").AsInteger(), 1201);
  big.Call("SaveAs", {}, {{"FileName", Path("big-again.txt")}, {"FileFormat", 7}, {"Encoding", 1201}});
  big.Call("Close", {}, {{"SaveChanges", 0}});
  EXPECT_EQ(ReadFile(Path("big-again.txt")), bigEndian);
}

TEST_F(Word, TitleIsReadAndWritten) {
  const ole::Variant doc = OpenWord(*docx_);
  EXPECT_EQ(doc.CallOrGet("BuiltInDocumentProperties", {"title"}).Get("value").AsString(), "");
  doc.CallOrGet("BuiltInDocumentProperties", {"title"}).Put("value", "memo.docx");
  EXPECT_EQ(doc.CallOrGet("BuiltInDocumentProperties", {"Title"}).Get("Value").AsString(), "memo.docx");
  test::SaveAs(doc, Path("titled.docx"), 16);
  doc.Call("Close", {}, {{"SaveChanges", 0}});
  const ole::Variant again = OpenWord(Path("titled.docx"));
  EXPECT_EQ(again.CallOrGet("BuiltInDocumentProperties", {"title"}).Get("value").AsString(), "memo.docx");
  EXPECT_EQ(test::ErrorOf([&] { again.CallOrGet("BuiltInDocumentProperties", {"nonsense"}); }),
            "Invalid procedure call or argument");
  again.Call("Close", {}, {{"SaveChanges", 0}});
}

TEST_F(Word, RevisionsAreRecordedInTheSavedDocument) {
  const ole::Variant doc = OpenWord(*docx_);
  doc.Put("TrackRevisions", true);
  doc.Put("PrintRevisions", true);
  doc.Put("ShowRevisions", true);
  EXPECT_TRUE(doc.Get("TrackRevisions").AsBoolean());
  // An edit made while revisions are tracked is saved as an insertion.
  doc.Get("Hyperlinks").CallOrGet("item", {2}).Put("TextToDisplay", "another page");
  test::SaveAs(doc, Path("revised.docx"), 16);
  doc.Call("Close", {}, {{"SaveChanges", 0}});
  const std::string xml = test::ZipEntry(Path("revised.docx"), "word/document.xml");
  EXPECT_NE(xml.find("<w:ins "), std::string::npos) << xml;
  EXPECT_NE(xml.find("<w:del "), std::string::npos) << xml;
}

TEST_F(Word, FileConvertersListWritersImportsAndOpenWithTheirNumbers) {
  const ole::Variant converters = Apps().word.CallOrGet("FileConverters");
  const int count = converters.Get("Count").AsInteger();
  ASSERT_GT(count, 3);
  int docx = 0;
  for (int i = 1; i <= count; ++i) {
    const ole::Variant c = converters.CallOrGet("Item", {i});
    EXPECT_TRUE(c.Get("CanOpen").AsBoolean());
    if (c.Get("Extensions").AsString() == "docx") docx = c.Get("OpenFormat").AsInteger();
  }
  // The converter examines every item but the last: the last matters to nobody.
  EXPECT_EQ(converters.CallOrGet("Item", {count}).Get("FormatName").AsString(), "Recover Text from Any File");
  ASSERT_NE(docx, 0);
  // The number opens a .docx whatever its name says.
  std::filesystem::copy_file(*docx_, Path("renamed.bin"), std::filesystem::copy_options::overwrite_existing);
  const ole::Variant doc =
      Apps()
          .word.CallOrGet("Documents")
          .Call("Open", {},
                {{"FileName", Path("renamed.bin")}, {"ReadOnly", true}, {"PasswordDocument", "zv"}, {"Format", docx}});
  EXPECT_EQ(doc.Get("Hyperlinks").Get("Count").AsInteger(), 2);
  doc.Call("Close", {}, {{"SaveChanges", 0}});
  EXPECT_EQ(test::ErrorOf([&] {
              Apps().word.CallOrGet("Documents").Call("Open", {}, {{"FileName", *docx_}, {"Format", 999}});
            }),
            "This file format is not available: 999");
}

TEST_F(Word, LinkedPicturesOfAWebPageAreEmbedded) {
  // A 1 x 1 PNG beside the page, linked from it.
  const unsigned char png[] = {0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
                               0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00,
                               0x00, 0x90, 0x77, 0x53, 0xde, 0x00, 0x00, 0x00, 0x0c, 0x49, 0x44, 0x41, 0x54, 0x08,
                               0xd7, 0x63, 0xf8, 0xcf, 0xc0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0x18, 0xdd, 0x8d,
                               0xb0, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
  test::WriteFile(Path("dot.png"), std::string(reinterpret_cast<const char*>(png), sizeof png));
  test::WriteFile(Path("page.htm"),
                  "<html><body><p>Picture <img src=\"dot.png\" width=\"20\" height=\"20\"></p></body></html>");
  const ole::Variant doc = OpenWord(Path("page.htm"));
  const ole::Variant shapes = doc.Get("InlineShapes");
  ASSERT_EQ(shapes.Get("Count").AsInteger(), 1);
  const ole::Variant shape = shapes.CallOrGet("Item", {1});
  ASSERT_EQ(shape.Get("Type").AsInteger(), 4);  // linked
  shape.Get("LinkFormat").Put("SavePictureWithDocument", true);
  shape.Get("LinkFormat").Put("Locked", true);
  shape.Get("LinkFormat").Call("BreakLink");
  EXPECT_EQ(doc.Get("InlineShapes").CallOrGet("Item", {1}).Get("Type").AsInteger(), 3);
  test::SaveAs(doc, Path("page.doc"), 0);
  doc.Call("Close", {}, {{"SaveChanges", 0}});
  // The picture travels inside the document: without its file it is still there.
  std::filesystem::remove(Path("dot.png"));
  const ole::Variant saved = OpenWord(Path("page.doc"));
  ASSERT_EQ(saved.Get("InlineShapes").Get("Count").AsInteger(), 1);
  EXPECT_EQ(saved.Get("InlineShapes").CallOrGet("Item", {1}).Get("Type").AsInteger(), 3);
  // As a web page again, the picture goes inside the page: no file beside it.
  const std::filesystem::path pages = Path("pages");
  std::filesystem::create_directory(pages);
  test::SaveAs(saved, (pages / "page.htm").string(), 8);
  saved.Call("Close", {}, {{"SaveChanges", 0}});
  EXPECT_EQ(test::FilesIn(pages.string()), std::vector<std::string>{"page.htm"});
  EXPECT_NE(ReadFile((pages / "page.htm").string()).find("src=\"data:image/png;base64,"), std::string::npos);
}

TEST_F(Word, ApplicationAnswersItsSettings) {
  const ole::Variant& word = Apps().word;
  EXPECT_EQ(word.Get("Version").AsString(), "16.0");
  word.Put("Visible", false);
  EXPECT_FALSE(word.Get("Visible").AsBoolean());
  word.Put("DisplayAlerts", false);
  EXPECT_EQ(word.Get("DisplayAlerts").AsInteger(), 0);
  word.Put("DisplayAlerts", true);
  EXPECT_EQ(test::ErrorOf([&] { word.Get("NoSuchMember"); }),
            "Method 'NoSuchMember' not supported by automation object");
  EXPECT_EQ(test::ErrorOf([&] {
              word.CallOrGet("Documents").Call("Open", {}, {{"FileName", *docx_}, {"PassWord", "x"}, {"Colour", 1}});
            }),
            "Method 'Open' not supported by automation object");
}

}  // namespace
}  // namespace quillet
