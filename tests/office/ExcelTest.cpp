// Workbooks through the Excel stand-in and LibreOffice Calc.
#include <gtest/gtest.h>

#include <filesystem>

#include "OfficeTestSupport.h"

namespace quillet {
namespace {

using test::ReadFile;

class Excel : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    xlsx_ = new std::string(test::MakeWorkbook(*dir_, "book",
                                               test::FlatSpreadsheet({{"Alpha",
                                                                       {{"a,1", "2.5"},
                                                                        {"Gr\xc3\xbc\xc3\x9f"
                                                                         "e \"q\"",
                                                                         "10"}}},
                                                                      {"Beta", {{"beta cell"}}},
                                                                      {"Gamma", {{"gamma cell", "3"}}}})));
  }
  static void TearDownTestSuite() {
    delete xlsx_;
    delete dir_;
  }
  static std::string Path(const std::string& name) { return *dir_ / name; }
  static test::TempDir* dir_;
  static std::string* xlsx_;
};
test::TempDir* Excel::dir_ = nullptr;
std::string* Excel::xlsx_ = nullptr;

TEST_F(Excel, CsvHoldsTheCellsOfTheFirstSheet) {
  const ole::Variant book = test::OpenWorkbook(*xlsx_);
  test::SaveAs(book, Path("book.csv"), 6);
  test::SaveAs(book, Path("book-1252.csv"), 23);
  test::SaveAs(book, Path("book.txt"), -4158);
  test::SaveAs(book, Path("book16.txt"), 42);
  book.Call("Close", {}, {{"SaveChanges", 0}});
  // Only the fields that need it are quoted; records end with CR LF.
  EXPECT_EQ(ReadFile(Path("book.csv")),
            "\"a,1\",2.5\r\n\"Gr\xc3\xbc\xc3\x9f"
            "e \"\"q\"\"\",10\r\n");
  EXPECT_EQ(ReadFile(Path("book-1252.csv")),
            "\"a,1\",2.5\r\n\"Gr\xfc\xdf"
            "e \"\"q\"\"\",10\r\n");
  EXPECT_EQ(ReadFile(Path("book.txt")),
            "a,1\t2.5\r\n\"Gr\xc3\xbc\xc3\x9f"
            "e \"\"q\"\"\"\t10\r\n");
  // UTF-16: a byte-order mark, and the record ends in 16-bit units.
  const std::string wide = ReadFile(Path("book16.txt"));
  EXPECT_EQ(wide.substr(0, 4), std::string("\xff\xfe"
                                           "a\0",
                                           4));
  EXPECT_EQ(wide.substr(wide.size() - 4), std::string("\r\0\n\0", 4));
  EXPECT_NE(wide.find(std::string("5\0\r\0\n\0\"\0", 8)), std::string::npos);
}

TEST_F(Excel, LineBreaksInsideQuotedFieldsStayAsTheyAre) {
  const std::string flat = test::FlatSpreadsheet({{"S", {{"x", "y"}}}});
  // A cell of two lines, as Calc keeps it: two paragraphs.
  std::string twoLines = flat;
  twoLines.replace(twoLines.find("<text:p>x</text:p>"), 18, "<text:p>one</text:p><text:p>two</text:p>");
  test::WriteFile(Path("lines.fods"), twoLines);
  const ole::Variant book = test::OpenWorkbook(Path("lines.fods"));
  test::SaveAs(book, Path("lines.csv"), 6);
  book.Call("Close", {}, {{"SaveChanges", 0}});
  EXPECT_EQ(ReadFile(Path("lines.csv")), "\"one\ntwo\",y\r\n");
}

TEST_F(Excel, WebPageHasOnePagePerSheetInItsFileList) {
  const ole::Variant book = test::OpenWorkbook(*xlsx_);
  test::SaveAs(book, Path("book.htm"), 44);
  book.Call("Close", {}, {{"SaveChanges", 0}});
  ASSERT_TRUE(std::filesystem::exists(Path("book.htm")));
  EXPECT_NE(ReadFile(Path("book.htm")).find("gamma cell"), std::string::npos);
  const std::string folder = Path("book.files");
  EXPECT_EQ(test::FilesIn(folder),
            (std::vector<std::string>{"filelist.xml", "sheet001.htm", "sheet002.htm", "sheet003.htm"}));
  const std::string list = ReadFile(folder + "/filelist.xml");
  for (const char* page : {"sheet001.htm", "sheet002.htm", "sheet003.htm"})
    EXPECT_NE(list.find(std::string("<o:File HRef=\"") + page + "\"/>"), std::string::npos) << list;
  // Each page holds its sheet's table, its first table line starting the table
  // and its last one ending it, as the merge of the pages reads them.
  const std::pair<const char*, const char*> cells[] = {
      {"sheet001.htm", "a,1"}, {"sheet002.htm", "beta cell"}, {"sheet003.htm", "gamma cell"}};
  for (const auto& [page, cell] : cells) {
    const std::string html = ReadFile(folder + "/" + page);
    EXPECT_NE(html.find(cell), std::string::npos) << page;
    const size_t table = html.find("<table"), end = html.rfind("</table>");
    ASSERT_NE(table, std::string::npos) << page;
    ASSERT_NE(end, std::string::npos) << page;
    EXPECT_LT(table, html.find(cell));
    EXPECT_GT(end, html.find(cell));
    EXPECT_EQ(html.find("<table", table + 1), std::string::npos) << page << ": one sheet per page";
  }
}

TEST_F(Excel, WorkbookFormatsAndTitle) {
  const ole::Variant book = test::OpenWorkbook(*xlsx_);
  EXPECT_EQ(book.Get("Title").AsString(), "");
  book.Put("Title", "book.xlsx");
  EXPECT_EQ(book.Get("Title").AsString(), "book.xlsx");
  test::SaveAs(book, Path("book.xls"), 56);
  test::SaveAs(book, Path("book.ods"), 60);
  test::SaveAs(book, Path("book.pdf"), 57);
  book.Call("Close", {}, {{"SaveChanges", 0}});
  EXPECT_EQ(ReadFile(Path("book.xls")).substr(0, 4), "\xd0\xcf\x11\xe0");
  EXPECT_EQ(test::ZipEntry(Path("book.ods"), "mimetype"), "application/vnd.oasis.opendocument.spreadsheet");
  EXPECT_EQ(ReadFile(Path("book.pdf")).substr(0, 5), "%PDF-");
  const ole::Variant again = test::OpenWorkbook(Path("book.xls"));
  EXPECT_EQ(again.Get("Title").AsString(), "book.xlsx");
  again.Call("Close", {}, {{"SaveChanges", 0}});
}

TEST_F(Excel, ApplicationKeepsItsPromptSettings) {
  const ole::Variant& excel = test::Apps().excel;
  EXPECT_EQ(excel.Get("Version").AsString(), "16.0");
  excel.Put("DisplayAlerts", false);
  excel.Put("AskToUpdateLinks", false);
  EXPECT_FALSE(excel.Get("DisplayAlerts").AsBoolean());
  EXPECT_FALSE(excel.Get("AskToUpdateLinks").AsBoolean());
  excel.Put("DisplayAlerts", true);
  excel.Put("AskToUpdateLinks", true);
  EXPECT_TRUE(excel.Get("AskToUpdateLinks").AsBoolean());
}

}  // namespace
}  // namespace quillet
