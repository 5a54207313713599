// Documents really converted through the library's entry points: Word,
// Excel and PowerPoint documents that LibreOffice made, converted by the
// engine's own procedures over the stand-ins.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "LinuxSupport.h"
#include "utilities/SysUtils.h"
#include "platform/fs.h"
#include "platform/sysinfo.h"

namespace quillet {
namespace {

using test::Convert;
using test::Docs;
using test::ReadFile;
using test::Work;

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// The page with its line breaks as blanks.
std::string OneLine(std::string page) {
  std::replace(page.begin(), page.end(), '\n', ' ');
  return page;
}

class RealConversion : public ::testing::Test {
 protected:
  void SetUp() override { Docs(); }
  static std::string Out(const std::string& name) { return Work() / name; }
};

TEST_F(RealConversion, WordDocumentToTextGivesItsWords) {
  ASSERT_EQ(Convert(Docs().words, Out("words.txt"), "2"), "");
  EXPECT_EQ(ReadFile(Out("words.txt")), test::kWordsFirst + "\r\n" + test::kWordsSecond + "\r\n");
  // Unicode text: UTF-16 with its byte-order mark.
  ASSERT_EQ(Convert(Docs().words, Out("words16.txt"), "7"), "");
  EXPECT_EQ(ReadFile(Out("words16.txt")).substr(0, 6), std::string("\xff\xfeQ\0u\0", 6));
}

TEST_F(RealConversion, WordDocumentToDocAndBack) {
  ASSERT_EQ(Convert(Docs().words, Out("words.doc"), "0"), "");
  EXPECT_EQ(ReadFile(Out("words.doc")).substr(0, 8), "\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1");  // Word 97
  ASSERT_EQ(Convert(Out("words.doc"), Out("back.docx"), "16"), "");
  EXPECT_EQ(ReadFile(Out("back.docx")).substr(0, 4), "PK\x03\x04");
  ASSERT_EQ(Convert(Out("back.docx"), Out("back.txt"), "2"), "");
  EXPECT_EQ(ReadFile(Out("back.txt")), test::kWordsFirst + "\r\n" + test::kWordsSecond + "\r\n");
}

TEST_F(RealConversion, TheMacroRouteConvertsADocumentToTextInsideWordWithNoSetUp) {
  // No template beside the program: the one shipped beside the library serves.
  ASSERT_FALSE(std::filesystem::exists(os::ExecutableFolder() + "quillet.dot"));
  const std::string dest = Out("macro.txt");
  ASSERT_EQ(Convert(Docs().words, dest, "2", "MS Word USEMACRO"), "");
  EXPECT_EQ(ReadFile(dest), test::kWordsFirst + "\r\n" + test::kWordsSecond + "\r\n");
  // The macro's answer stays in the job file: an empty first line.
  EXPECT_EQ(ReadFile(GetTempFolder() + "quillet.ini"), "\r\n");
  // A source the macro cannot open: its text comes back through the job file.
  const std::string broken = Out("broken.docx");
  test::WriteFile(broken, "PK\x03\x04 not a document");
  EXPECT_EQ(Convert(broken, Out("broken.txt"), "2", "MS Word USEMACRO"), "The file is corrupt and cannot be opened");
  EXPECT_FALSE(std::filesystem::exists(Out("broken.txt")));

  // A template beside the program comes first: this one cannot be opened.
  const std::string own = os::ExecutableFolder() + "quillet.dot";
  test::WriteFile(own, "not a template");
  const std::string refused = Convert(Docs().words, Out("refused.txt"), "2", "MS Word USEMACRO");
  os::DeleteFile(own);
  EXPECT_EQ(refused, "The file is corrupt and cannot be opened");
}

TEST_F(RealConversion, WebPageWithoutImageFolderKeepsNoPicture) {
  // Without the keyword the picture is on the page.
  ASSERT_EQ(Convert(Docs().picture, Out("with.htm"), "8"), "");
  EXPECT_NE(Lower(ReadFile(Out("with.htm"))).find("<img"), std::string::npos);

  ASSERT_EQ(Convert(Docs().picture, Out("without.htm"), "8", "NOCREATEIMAGEDIR"), "");
  const std::string page = ReadFile(Out("without.htm"));
  EXPECT_EQ(Lower(page).find("<img"), std::string::npos) << page;
  EXPECT_NE(page.find("A picture:"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Out("without.files")));
  for (const auto& e : std::filesystem::directory_iterator(Work().path()))
    EXPECT_EQ(e.path().filename().string().rfind("without", 0) == 0, e.path().filename() == "without.htm") << e.path();
}

TEST_F(RealConversion, WebPageLinksToWordDocumentsPointAtPages) {
  ASSERT_EQ(Convert(Docs().links, Out("links.htm"), "8"), "");
  const std::string page = OneLine(ReadFile(Out("links.htm")));
  EXPECT_NE(page.find("href=\"Report.htm\">Report.htm</a>"), std::string::npos) << page;
  EXPECT_NE(page.find("href=\"http://example.com/page.html\">a page</a>"), std::string::npos) << page;
  EXPECT_EQ(page.find("Report.doc"), std::string::npos);
  // Other formats leave the links alone.
  ASSERT_EQ(Convert(Docs().links, Out("links10.htm"), "10"), "");
  EXPECT_NE(ReadFile(Out("links10.htm")).find("href=\"Report.doc\""), std::string::npos);
}

TEST_F(RealConversion, EncodedTextTakesTheChineseCodePageOfAChineseDocument) {
  ASSERT_EQ(Convert(Docs().chinese, Out("chinese.txt"), "-3"), "");
  // Code page 936 (GBK): the four characters, then the second paragraph.
  EXPECT_EQ(ReadFile(Out("chinese.txt")), "\xd6\xd0\xce\xc4\xce\xc4\xb5\xb5\r\nalpha\r\n");
  // A document that starts in a Western language: the Western code page.
  ASSERT_EQ(Convert(Docs().words, Out("western.txt"), "-3"), "");
  EXPECT_EQ(ReadFile(Out("western.txt")), test::kWordsFirst +
                                              "\r\nGr\xf6\xdf"
                                              "e, caf\xe9 und na\xefv.\r\n");
}

TEST_F(RealConversion, WorkbookToCsvGivesItsCellsExactly) {
  ASSERT_EQ(Convert(Docs().cells, Out("cells.csv"), "6", "MS Excel"), "");
  EXPECT_EQ(ReadFile(Out("cells.csv")),
            "Item,Count,Price\r\n"
            "\"Tea, green\",3,2.5\r\n"
            "\"He said \"\"hi\"\"\",10,0.25\r\n"
            "Gr\xc3\xbcn,-7,1000000\r\n");
}

TEST_F(RealConversion, WorkbookToOneWebPageHoldingEverySheet) {
  ASSERT_EQ(Convert(Docs().sheets, Out("sheets.htm"), "44", "MS Excel MERGEHTML"), "");
  const std::string page = ReadFile(Out("sheets.htm"));
  EXPECT_EQ(Count(Lower(page), "<table"), 3u) << page;
  size_t at = 0;
  for (const char* cell : {"north cell", "south cell", "west cell"}) {
    const size_t found = page.find(cell, at);
    EXPECT_NE(found, std::string::npos) << cell;
    at = found == std::string::npos ? at : found;
  }
}

TEST_F(RealConversion, PresentationTextComesShapeByShapeInOrder) {
  ASSERT_EQ(Convert(Docs().deck, Out("deck.txt"), "9999", "MS Powerpoint"), "");
  std::string expected;
  for (const auto& slide : test::DeckText())
    for (const auto& box : slide) {
      for (size_t i = 0; i < box.size(); ++i) expected += (i ? "\r" : "") + box[i];
      expected += "\r\n";
    }
  EXPECT_EQ(ReadFile(Out("deck.txt")), expected);
}

TEST_F(RealConversion, SlidesBecomeOneJpegEachAtTheWidthAsked) {
  ASSERT_EQ(Convert(Docs().deck, Out("deck.jpg"), "17", "MS Powerpoint JPEGWIDTH=320 JPEGKEEPASPECT"), "");
  const std::string folder = Out("deck");
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Slide1.jpg", "Slide2.jpg", "Slide3.jpg", "deck.log"}));
  for (const char* slide : {"Slide1.jpg", "Slide2.jpg", "Slide3.jpg"}) {
    const auto [width, height] = test::JpegSize(folder + "/" + slide);
    EXPECT_EQ(width, 320) << slide;
    EXPECT_GT(height, 100) << slide;
    EXPECT_LT(height, 320) << slide;  // a landscape slide
  }
}

TEST_F(RealConversion, FolderRunReportsTheOneCorruptFile) {
  const std::string in = Out("folder-in"), out = Out("folder-out");
  std::filesystem::create_directories(in);
  std::filesystem::copy_file(Docs().words, in + "/a.docx");
  std::filesystem::copy_file(Docs().links, in + "/c.docx");
  test::WriteFile(in + "/b.docx", "PK\x03\x04 not really a document");
  const std::string report = Out("folder-report.txt");
  EXPECT_FALSE(test::Library().ConvertFolder(in + "/*.docx", out, "2", 0, "", report));
  const std::string lines = ReadFile(report);
  const std::regex line("\\d\\d:\\d\\d:\\d\\d {8}can not convert " + in + "/b\\.docx to " + out +
                        "/b\\.txt, Error Reason is The file is corrupt and cannot be opened\r\n");
  EXPECT_TRUE(std::regex_match(lines, line)) << lines;
  EXPECT_EQ(ReadFile(out + "/a.txt"), test::kWordsFirst + "\r\n" + test::kWordsSecond + "\r\n");
  EXPECT_TRUE(std::filesystem::exists(out + "/c.txt"));
  EXPECT_FALSE(std::filesystem::exists(out + "/b.txt"));
}

}  // namespace
}  // namespace quillet
