#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "documents/HtmlPageMerge.h"
#include "documents/RemoveHtmlImages.h"
#include "platform/error.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "utilities/TextLines.h"

namespace quillet {
namespace {

using test::TempDir;

std::string Join(const std::string& folder, const std::string& name) {
  return path::IncludeTrailingDelimiter(folder) + name;
}

std::string CrLf(const StringList& lines) { return JoinLinesCrLf(lines); }

// A workbook of three sheets saved as a web page: Book.htm, and beside it
// Book.files with the file list, the tab strip, the style sheet and one page a
// sheet. The file list spells its references in several cases, and the pages
// are called as it spells them.
struct SavedWorkbook {
  explicit SavedWorkbook(const TempDir& dir)
      : mainPage(dir / "Book.htm"), folder(dir / "Book.files"), fileList(Join(folder, "filelist.xml")) {
    os::ForceDirectories(folder);
    test::WriteFile(mainPage,
                    "<html><frameset rows=\"*,39\"><frame src=\"Book.files/sheet001.htm\"></frameset></html>\r\n");
    test::WriteFile(fileList,
                    "<xml xmlns:o=\"urn:schemas-microsoft-com:office:office\">\r\n"
                    " <o:MainFile HRef=\"../Book.htm\"/>\r\n"
                    " <o:File HRef=\"stylesheet.css\"/>\r\n"
                    " <o:File HRef=\"tabstrip.htm\"/>\r\n"
                    " <o:File HRef=\"sheet001.htm\"/>\r\n"
                    "\t<o:file href=\"Sheet002.htm\"/>  \r\n"
                    " <O:FILE HREF=\"SHEET003.HTM\"/>\r\n"
                    " <o:File HRef=\"sheet004.htm\" />\r\n"
                    " <o:File HRef=\"image001.png\"/>\r\n"
                    " <o:File HRef=\"filelist.xml\"/>\r\n"
                    "</xml>\r\n");
    test::WriteFile(Join(folder, "stylesheet.css"), "tr {mso-height-source:auto;}\r\n");
    test::WriteFile(Join(folder, "tabstrip.htm"),
                    "<html><body><table><tr><td>Tabs</td></tr></table></body></html>\r\n");
    test::WriteFile(Join(folder, "image001.png"), "PNG");
    test::WriteFile(Join(folder, "sheet001.htm"),
                    "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\"\n"
                    "xmlns:x=\"urn:schemas-microsoft-com:office:excel\">\n"
                    "\n"
                    "<head>\n"
                    "<meta http-equiv=Content-Type content=\"text/html; charset=windows-1252\">\n"
                    "<META name=ProgId content=Excel.Sheet>\n"
                    "<link id=Main-File rel=Main-File href=\"../Book.htm\">\n"
                    "<link rel=Stylesheet href=stylesheet.css>\n"
                    "<title>Quarter</title></head>\n"
                    "\n"
                    "<BODY link=blue vlink=purple\n"
                    " ONLOAD=\"parent.fnUpdateTabs(0)\" onLoad=x>\n"
                    "\n"
                    "<table x:str border=0 width=128>\n"
                    " <tr height=17>\n"
                    "  <td width=64>North</td>\n"
                    " </tr>\n"
                    "</table>\n"
                    "<meta name=after content=table>\n"
                    "\n"
                    "</body>\n"
                    "\n"
                    "</html>\n");
    test::WriteFile(Join(folder, "Sheet002.htm"),
                    "<html>\r\n"
                    "<head>\r\n"
                    "<meta name=ProgId content=Excel.Sheet>\r\n"
                    "<title>Second</title>\r\n"
                    "</head>\r\n"
                    "<body link=blue onload=\"parent.fnUpdateTabs(1)\">\r\n"
                    "<TABLE border=0>\r\n"
                    " <tr><td><v:shape><v:imagedata src=\"image001.png\" o:title=\"logo\"/></v:shape></td></tr>\r\n"
                    "</TABLE>\r\n"
                    "<p>between</p>\r\n"
                    "<Table border=1>\r\n"
                    " <tr><td>South</td></tr>\r\n"
                    "</Table>\r\n"
                    "</body>\r\n"
                    "</html>\r\n");
    test::WriteFile(Join(folder, "SHEET003.HTM"),
                    "<html><head><meta name=ProgId content=Excel.Sheet></head><body>\r"
                    "<table><tr><td>East</td></tr></table>\r"
                    "</body></html>");
  }
  std::string Page(const std::string& name) const { return Join(folder, name); }

  std::string mainPage, folder, fileList;
};

const StringList kMergedWorkbook = {
    "<html><head>",
    "<meta http-equiv=Content-Type content=\"text/html; charset=windows-1252\">",
    "<META name=ProgId content=Excel.Sheet>",
    "<title>Quarter</title></head>",
    "<title>Quarter</title></head>",
    " <BODY link=blue vlink=purple  onload1=\"parent.fnUpdateTabs(0)\" onload1=x>",
    "<table x:str border=0 width=128>",
    " <tr height=17>",
    "  <td width=64>North</td>",
    " </tr>",
    "</table>",
    "<TABLE border=0>",
    " <tr><td><v:shape><v:imagedata src=\"image001.png\" o:title=\"logo\"/></v:shape></td></tr>",
    "</TABLE>",
    "<p>between</p>",
    "<Table border=1>",
    " <tr><td>South</td></tr>",
    "</Table>",
    "<table><tr><td>East</td></tr></table>",
    "</body></html>",
};

TEST(GetHtmlPageList, TakesTheKindsPagesInFileListOrderWhateverTheirCase) {
  TempDir dir;
  const SavedWorkbook book(dir);
  std::string list = "left over";
  GetHtmlPageList(book.fileList, "sheet", list);
  // The names come out as the file list writes them: on a file system that
  // tells capitals from small letters, no other name finds the page.
  EXPECT_EQ(list, book.Page("sheet001.htm") + "\r\n" + book.Page("Sheet002.htm") + "\r\n" + book.Page("SHEET003.HTM"));

  std::string again;
  GetHtmlPageList(book.fileList, "SHEET", again);
  EXPECT_EQ(again, list);
}

TEST(GetHtmlPageList, TakesSlidesOfAPresentation) {
  TempDir dir;
  const std::string folder = dir / "Talk.files";
  os::ForceDirectories(folder);
  const std::string fileList = Join(folder, "filelist.xml");
  test::WriteFile(fileList,
                  "<xml xmlns:o=\"urn:schemas-microsoft-com:office:office\">\n"
                  " <o:MainFile HRef=\"../Talk.htm\"/>\n"
                  " <o:File HRef=\"master03.htm\"/>\n"
                  " <o:File HRef=\"slide0001.htm\"/>\n"
                  " <o:File HRef=\"slide0001.xml\"/>\n"
                  " <o:File HRef=\"outline.htm\"/>\n"
                  " <o:File HRef=\"Slide0002.htm\"/>\n"
                  " <o:File HRef=\"fullscreen.htm\"/>\n"
                  " <o:File HRef=\"filelist.xml\"/>\n"
                  "</xml>");
  std::string list;
  GetHtmlPageList(fileList, "slide", list);
  EXPECT_EQ(list, Join(folder, "slide0001.htm") + "\r\n" + Join(folder, "Slide0002.htm"));
  GetHtmlPageList(fileList, "sheet", list);
  EXPECT_EQ(list, "");
}

TEST(GetHtmlPageList, AMissingFileListGivesNoPagesAndABrokenOneOnlyWhatMatches) {
  TempDir dir;
  std::string list = "left over";
  GetHtmlPageList(dir / "missing.xml", "sheet", list);
  EXPECT_EQ(list, "");

  // A folder in its place cannot be read either.
  list = "left over";
  os::ForceDirectories(dir / "folder.xml");
  GetHtmlPageList(dir / "folder.xml", "sheet", list);
  EXPECT_EQ(list, "");

  // Cut off, on one line, or garbled: only what has the reference form counts.
  static const char kBroken[] =
      "<xml><o:File HRef=\"sheet001.htm\"/><o:File HRef=\"sheet002.htm\"/></xml>\r\n"
      " <o:File HRef=\"sheet003.htm\"\r\n"
      " <o:File HRef=sheet004.htm/>\r\n"
      "\x01\xff<o:File\0 HRef=\"sheet005.htm\"/>\r\n";
  const std::string broken = dir / "broken.xml";
  test::WriteFile(broken, std::string(kBroken, sizeof kBroken - 1));
  GetHtmlPageList(broken, "sheet", list);
  // The first line is one reference line to the list: everything around the
  // markers stays in the name.
  EXPECT_EQ(list, Join(dir.path(), "<xml>sheet001.htmsheet002.htm</xml>"));
}

TEST(MergeHtmlPages, JoinsTheSheetsOfAWorkbookIntoOnePage) {
  TempDir dir;
  const SavedWorkbook book(dir);
  std::string list;
  GetHtmlPageList(book.fileList, "sheet", list);
  ASSERT_TRUE(MergeHtmlPages(list, book.mainPage));
  EXPECT_EQ(test::ReadFile(book.mainPage), CrLf(kMergedWorkbook));

  // What a request for a single page without pictures does next.
  std::string error;
  RemoveHtmlImages(book.mainPage, error);
  EXPECT_EQ(error, "");
  EXPECT_FALSE(os::DirectoryExists(book.folder));
  StringList stripped = kMergedWorkbook;
  stripped[12] = " <tr><td><v:shape></v:shape></td></tr>";
  EXPECT_EQ(test::ReadFile(book.mainPage), CrLf(stripped));
}

TEST(MergeHtmlPages, TakesTheFirstPagesHeadAndBodyTagAsWritten) {
  TempDir dir;
  const std::string first = dir / "first.htm", dest = dir / "merged.htm";
  test::WriteFile(first,
                  "<head><meta charset=x><title>t</title></head>\n"
                  "<BODY ONLOAD='init()'>\n"
                  "<table>\n"
                  "</table>\n");
  ASSERT_TRUE(MergeHtmlPages(first, dest));
  EXPECT_EQ(test::ReadFile(dest),
            CrLf({"<html><head>", "<head><meta charset=x><title>t</title></head>",
                  "<head><meta charset=x><title>t</title></head>", "<head><meta charset=x><title>t</title></head>",
                  " <BODY onload1='init()'>", "<table>", "</table>", "</body></html>"}));
}

TEST(MergeHtmlPages, PagesWithoutACompleteTableGiveNoLines) {
  TempDir dir;
  const std::string noTable = dir / "none.htm", endFirst = dir / "endfirst.htm", openOnly = dir / "open.htm",
                    fine = dir / "fine.htm", dest = dir / "merged.htm";
  // The first page has no table: its head is still taken, all of it.
  test::WriteFile(noTable, "<title>a</title>\n<body>\n<p>text</p>\n<meta name=late>\n");
  test::WriteFile(endFirst, "</table>\n<table>\n<tr>\n");
  test::WriteFile(openOnly, "<table>\n<tr>\n");
  test::WriteFile(fine, "<p>\n<table>x</table>\n<p>\n");
  ASSERT_TRUE(MergeHtmlPages(noTable + "\r\n" + endFirst + "\n" + openOnly + "\r" + fine, dest));
  EXPECT_EQ(test::ReadFile(dest), CrLf({"<html><head>", "<title>a</title>", " <body>", "<meta name=late>",
                                        "<table>x</table>", "</body></html>"}));
}

TEST(MergeHtmlPages, AnEmptyListStillWritesAPage) {
  TempDir dir;
  const std::string dest = dir / "merged.htm";
  test::WriteFile(dest, "old content");
  ASSERT_TRUE(MergeHtmlPages("", dest));
  EXPECT_EQ(test::ReadFile(dest), "<html><head>\r\n</body></html>\r\n");
}

TEST(MergeHtmlPages, AnUnreadablePageReachesTheCaller) {
  TempDir dir;
  const SavedWorkbook book(dir);
  const std::string missing = book.Page("sheet009.htm");
  const std::string before = test::ReadFile(book.mainPage);
  EXPECT_EQ(test::ErrorOf([&] { MergeHtmlPages(book.Page("sheet001.htm") + "\r\n" + missing, book.mainPage); }),
            "Cannot open file " + missing);
  // Nothing was written.
  EXPECT_EQ(test::ReadFile(book.mainPage), before);
}

TEST(MergeHtmlPages, ADestinationThatCannotBeWrittenIsFalse) {
  TempDir dir;
  const SavedWorkbook book(dir);
  EXPECT_FALSE(MergeHtmlPages(book.Page("sheet001.htm"), Join(dir / "no-folder", "merged.htm")));
  os::ForceDirectories(dir / "taken.htm");
  EXPECT_FALSE(MergeHtmlPages(book.Page("sheet001.htm"), dir / "taken.htm"));
}

}  // namespace
}  // namespace quillet
