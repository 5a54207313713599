// The Excel double: the prompts the conversion turns off, the workbook's
// title, and the web-page layout of a workbook saved as HTML.
#include <gtest/gtest.h>

#include "DoublesFixture.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace quillet {
namespace {

using ole::Variant;

class ExcelDouble : public test::DoublesFixture {
 protected:
  std::string In(const std::string& folder, const std::string& name) {
    return path::IncludeTrailingDelimiter(folder) + name;
  }
};

TEST_F(ExcelDouble, PromptsAndTitleKeepWhatWasPut) {
  d.Script(App::Excel, "Title=Budget\n");
  Variant excel = Application(App::Excel);
  for (const char* member : {"DisplayAlerts", "AskToUpdateLinks"}) {
    SCOPED_TRACE(member);
    EXPECT_EQ(excel.Get(member), Variant(true));
    excel.Put(member, false);
    EXPECT_EQ(excel.Get(member), Variant(false));
  }
  Variant book = Open(App::Excel, "b.xls");
  EXPECT_EQ(book.Get("Title").AsString(), "Budget");
  book.Put("Title", "b.xls");
  EXPECT_EQ(book.Get("Title").AsString(), "b.xls");
  // The title is the workbook's built-in Title property.
  EXPECT_EQ(book.CallOrGet("BuiltInDocumentProperties", {"title"}).Get("Value").AsString(), "b.xls");
  EXPECT_EQ(Open(App::Excel, "c.xls").Get("Title").AsString(), "Budget");
}

TEST_F(ExcelDouble, WorkbookWithoutScriptedTitleHasAnEmptyOne) {
  Variant book = Open(App::Excel, "b.xls");
  EXPECT_EQ(book.Get("Title"), Variant(std::string()));
  book.Call("SaveAs", {}, {{"FileName", files / "b.csv"}, {"FileFormat", 6}});
  EXPECT_EQ(test::ReadFile(files / "b.csv"), "Excel saved " + (files / "b.xls") + " as format 6\r\n");
}

TEST_F(ExcelDouble, WebPageHasAFileListAndOnePagePerSheet) {
  d.Script(App::Excel, "Sheets=3\n");
  const std::string dest = files / "book.htm", folder = files / "book.files";
  Open(App::Excel, "book.xls").Call("SaveAs", {}, {{"FileName", dest}, {"FileFormat", 44}});
  EXPECT_EQ(LinesOf(In(folder, "filelist.xml")),
            (Lines{"<xml xmlns:o=\"urn:schemas-microsoft-com:office:office\">", " <o:MainFile HRef=\"../book.htm\"/>",
                   " <o:File HRef=\"stylesheet.css\"/>", " <o:File HRef=\"tabstrip.htm\"/>",
                   " <o:File HRef=\"sheet001.htm\"/>", " <o:File HRef=\"sheet002.htm\"/>",
                   " <o:File HRef=\"sheet003.htm\"/>", "</xml>"}));
  EXPECT_TRUE(os::FileExists(In(folder, "stylesheet.css")));
  EXPECT_TRUE(os::FileExists(In(folder, "tabstrip.htm")));
  EXPECT_FALSE(os::FileExists(In(folder, "sheet004.htm")));
  const std::string main = test::ReadFile(dest);
  EXPECT_EQ(main.rfind("<html>", 0), 0u) << main;
  EXPECT_NE(main.find("book.files/sheet001.htm"), std::string::npos) << main;

  for (int n = 1; n <= 3; ++n) {
    SCOPED_TRACE(n);
    const Lines page = LinesOf(In(folder, "sheet00" + std::to_string(n) + ".htm"));
    auto first = [&](const std::string& part, size_t from = 0) {
      for (size_t i = from; i < page.size(); ++i)
        if (page[i].find(part) != std::string::npos) return static_cast<int>(i);
      return -1;
    };
    EXPECT_EQ(page.front(), "<html>");
    EXPECT_LT(first("<head>"), first("<meta"));
    EXPECT_LT(first("<meta"), first("<title>"));
    EXPECT_LT(first("<title>"), first("<body>"));
    EXPECT_LT(first("<body>"), first("<table"));
    // The table spans several lines and holds the sheet's text.
    const int table = first("<table");
    ASSERT_GE(table, 0);
    const int text = first(">Sheet " + std::to_string(n) + "<", static_cast<size_t>(table));
    EXPECT_LT(table, text);
    EXPECT_LT(text, first("</table>"));
    EXPECT_GE(first("<head>"), 0);
  }
}

}  // namespace
}  // namespace quillet
