// Excel workbooks through ConvertSingleFile: prompts held off while the
// workbook is open, the title, the generic save, and the merge of the sheet
// pages of a web-page save.
#include "ConversionFixture.h"
#include "platform/fs.h"

namespace quillet::test {
namespace {

using ExcelConversion = ConversionTest;

TEST_F(ExcelConversion, AWorkbookIsOpenedWithoutPromptsAndThePromptsComeBack) {
  const std::string src = File("book.xls"), dest = dir / "book.csv";
  ASSERT_TRUE(lib.ConvertSingleFile(src, dest, "6", "MS Excel").ok);
  EXPECT_EQ(Calls(App::Excel),
            (Lines{
                "Excel.Visible put False",
                "Excel.DisplayAlerts put False",
                "Excel.AskToUpdateLinks put False",
                "Excel.Workbooks method|get",
                // Excel's own spelling: "Filename".
                "Excel.Workbooks.Open method Filename:=\"" + src + "\", ReadOnly:=True, Password:=\"zv\"",
                "Excel.Workbook(book.xls).Title get",
                "Excel.Workbook(book.xls).Title put \"book.xls\"",
                "Excel.Workbook(book.xls).SaveAs method FileName:=\"" + dest + "\", FileFormat:=6",
                "Excel.Workbook(book.xls).Close method SaveChanges:=0",
                "Excel.DisplayAlerts put True",
                "Excel.AskToUpdateLinks put True",
            }));
  EXPECT_EQ(ReadFile(dest), "Excel saved " + src + " as format 6\r\n");
}

TEST_F(ExcelConversion, AFailedOpenGivesExcelsTextAndBothPromptsComeBack) {
  d.Script(App::Excel, "FailOpen=book.xls|Unable to read file\n");
  const auto r = lib.ConvertSingleFile(File("book.xls"), dir / "book.csv", "6", "MS Excel");
  EXPECT_EQ(r.errorText, "Unable to read file");
  EXPECT_EQ(CallsFrom(App::Excel, "Workbooks.Open").size(), 3u);
  EXPECT_EQ(Calls(App::Excel).back(), "Excel.AskToUpdateLinks put True");
  EXPECT_EQ(CallsWith(App::Excel, "DisplayAlerts put True").size(), 1u);
}

TEST_F(ExcelConversion, AFormatThatIsNoNumberIsOpenedTitledAndClosedUnsaved) {
  d.Script(App::Excel, "Title=Budget\n");
  const auto r = lib.ConvertSingleFile(File("book.xls"), dir / "book.csv", "abc", "MS Excel");
  EXPECT_EQ(r.errorText, "'abc' is not a valid integer value");
  // After a failed save the prompts stay as they were.
  EXPECT_EQ(CallsFrom(App::Excel, "Title"),
            (Lines{"Excel.Workbook(book.xls).Title get", "Excel.Workbook(book.xls).Close method SaveChanges:=0"}));
}

TEST_F(ExcelConversion, TheSheetPagesOfAWebPageSaveAreMergedIntoOnePage) {
  d.Script(App::Excel, "Sheets=2\n");
  const std::string dest = dir / "book.htm";
  ASSERT_TRUE(lib.ConvertSingleFile(File("book.xls"), dest, "44", "MS Excel MERGEHTML").ok);
  EXPECT_EQ(ReadFile(dest),
            "<html><head>\r\n"
            "<meta http-equiv=Content-Type content=\"text/html; charset=windows-1252\">\r\n"
            "<title>Sheet 1</title>\r\n"
            "</head>\r\n"
            " <body>\r\n"
            "<table border=0 cellpadding=0 cellspacing=0>\r\n"
            " <tr>\r\n"
            "  <td>Sheet 1</td>\r\n"
            " </tr>\r\n"
            "</table>\r\n"
            "<table border=0 cellpadding=0 cellspacing=0>\r\n"
            " <tr>\r\n"
            "  <td>Sheet 2</td>\r\n"
            " </tr>\r\n"
            "</table>\r\n"
            "</body></html>\r\n");
  // The supporting folder stays unless the options ask for a single page.
  EXPECT_TRUE(os::DirectoryExists(dir / "book.files"));
  ASSERT_TRUE(lib.ConvertSingleFile(File("book.xls"), dest, "44", "MS Excel MERGEHTML NOCREATEIMAGEDIR").ok);
  EXPECT_FALSE(os::DirectoryExists(dir / "book.files"));
}

TEST_F(ExcelConversion, WithoutAPageListTheSavedPageStaysAsItIs) {
  // Another format than 44: no page list is read, nothing is merged.
  ASSERT_TRUE(lib.ConvertSingleFile(File("book.xls"), dir / "book.htm", "6", "MS Excel MERGEHTML").ok);
  EXPECT_EQ(ReadFile(dir / "book.htm"), "Excel saved " + (dir / "book.xls") + " as format 6\r\n");
  // A page list that names no sheet page: nothing to merge, no error.
  d.Script(App::Excel, "Sheets=0\n");
  lib.Reload();
  const auto r = lib.ConvertSingleFile(File("book.xls"), dir / "book.htm", "44", "MS Excel MERGEHTML");
  EXPECT_TRUE(r.ok) << r.errorText;
  EXPECT_NE(ReadFile(dir / "book.htm").find("<frameset"), std::string::npos);
}

}  // namespace
}  // namespace quillet::test
