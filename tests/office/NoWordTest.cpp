// The route without Word on Linux, for real: libquillet.so with no server
// registry, so that InternetExplorer.Application is the browser stand-in
// shipped beside it and "fmtbridge" is libfmtbridge.so from the same folder,
// both over one LibreOffice.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include "OfficeTestSupport.h"
#include "QuilletLibrary.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;

// The soffice.bin processes this program started.
int OfficeChildren() {
  int count = 0;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    std::ifstream in(entry.path() / "stat");
    std::string stat;
    if (!in || !std::getline(in, stat)) continue;
    // pid (comm) state ppid ...
    const size_t open = stat.find('('), close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos) continue;
    const std::string comm = stat.substr(open + 1, close - open - 1);
    std::istringstream rest(stat.substr(close + 2));
    char state = 0;
    int ppid = 0;
    rest >> state >> ppid;
    if (comm == "soffice.bin" && ppid == ::getpid() && state != 'Z') ++count;
  }
  return count;
}

class NoWordOffice : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // No registry file: the built-in servers beside the library answer.
    ::setenv("QUILLET_AUTOMATION_REGISTRY", "/nonexistent/quillet-automation-servers", 1);
    ::setenv("QUILLET_OFFICE_PIPE", ("quillet-noword-" + std::to_string(::getpid())).c_str(), 1);
    dir_ = new test::TempDir;
    lib_ = new test::QuilletLibrary(QUILLET_LIBRARY);
  }
  static void TearDownTestSuite() {
    delete lib_;
    delete dir_;
  }
  static std::string Path(const std::string& name) { return *dir_ / name; }
  static test::QuilletLibrary::Outcome Convert(const std::string& src, const std::string& dest,
                                               const std::string& format, const std::string& option = "No MS Word") {
    return lib_->ConvertSingleFile(src, dest, format, option);
  }
  // A .docx made from a flat OpenDocument text by the format library itself.
  static std::string Docx(const std::string& name, const std::string& body) {
    const std::string flat = Path(name + ".fodt");
    test::WriteFile(flat, test::FlatText(body));
    const auto r = Convert(flat, Path(name + ".docx"), "16");
    EXPECT_TRUE(r.ok) << r.errorText;
    return Path(name + ".docx");
  }
  static test::TempDir* dir_;
  static test::QuilletLibrary* lib_;
};
test::TempDir* NoWordOffice::dir_ = nullptr;
test::QuilletLibrary* NoWordOffice::lib_ = nullptr;

TEST_F(NoWordOffice, AWebPageBecomesTheTextItShows) {
  test::WriteFile(Path("page.html"),
                  "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Quarterly report</title>\n"
                  "<style>p { color: red }</style><script>var hidden = \"script text\";</script></head>\n"
                  "<body>\n<h1>Sales &amp; costs</h1>\n"
                  "<p>First paragraph with <b>bold</b>\n   and   spaces,<br>a break. Caf&eacute; &#8364;5</p>\n"
                  "<h2>Regions</h2>\n<ul><li>North</li><li>South</li></ul>\n<ol><li>One</li><li>Two</li></ol>\n"
                  "<table border=\"1\"><tr><th>Region</th><th>Count</th></tr><tr><td>North</td><td>12</td></tr>"
                  "<tr><td>South</td><td>7</td></tr></table>\n<p>Last line</p>\n</body></html>\n");
  const auto r = Convert(Path("page.html"), Path("page.txt"), "2", "No MS Word OPENFORMAT=8");
  ASSERT_TRUE(r.ok) << r.errorText;
  // Blocks and the page's own break on lines of their own, runs of blanks
  // collapsed, entities resolved, numbered items with their numbers, table
  // rows with their cells between tabs; no title, style or script.
  EXPECT_EQ(ReadFile(Path("page.txt")),
            "Sales & costs\r\n"
            "First paragraph with bold and spaces,\r\na break. Caf\xC3\xA9 \xE2\x82\xAC"
            "5\r\n"
            "Regions\r\nNorth\r\nSouth\r\n1. One\r\n2. Two\r\n"
            "Region\tCount\r\nNorth\t12\r\nSouth\t7\r\n"
            "Last line\r\n");
}

TEST_F(NoWordOffice, ADocxBecomesRtfThroughTheFormatLibrary) {
  const std::string docx = Docx("memo", "<text:p>Quarterly memo</text:p><text:p>Second paragraph</text:p>");
  EXPECT_EQ(ReadFile(docx).substr(0, 2), "PK");
  EXPECT_NE(test::ZipEntry(docx, "word/document.xml").find("Quarterly memo"), std::string::npos);

  const auto r = Convert(docx, Path("memo.rtf"), "6");
  ASSERT_TRUE(r.ok) << r.errorText;
  const std::string rtf = ReadFile(Path("memo.rtf"));
  EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u) << rtf.substr(0, 40);
  // And back to text, through the library again: the words came along.
  ASSERT_TRUE(Convert(Path("memo.rtf"), Path("memo.txt"), "2").ok);
  EXPECT_EQ(ReadFile(Path("memo.txt")), "Quarterly memo\r\nSecond paragraph\r\n");
}

TEST_F(NoWordOffice, TheOpenFormatChoosesTheImport) {
  const std::string docx = Docx("open", "<text:p>Open me</text:p>");
  // An RTF file under a text file's name.
  ASSERT_TRUE(Convert(docx, Path("open.rtf"), "6").ok);
  fs::copy_file(Path("open.rtf"), Path("rtf-inside.txt"));
  // By its extension it is read as text: the RTF markup is the text.
  ASSERT_TRUE(Convert(Path("rtf-inside.txt"), Path("as-text.txt"), "2").ok);
  EXPECT_EQ(ReadFile(Path("as-text.txt")).rfind("{\\rtf1", 0), 0u);
  // Word's open format 3 reads it as RTF.
  const auto r = Convert(Path("rtf-inside.txt"), Path("as-rtf.txt"), "2", "No MS Word OPENFORMAT=3\r\n");
  ASSERT_TRUE(r.ok) << r.errorText;
  EXPECT_EQ(ReadFile(Path("as-rtf.txt")), "Open me\r\n");
  EXPECT_EQ(Convert(docx, Path("open.rtf"), "6", "No MS Word OPENFORMAT=rtf\r\n").errorText,
            "This open format is not available: rtf");
}

TEST_F(NoWordOffice, WhatTheFormatLibraryCannotDoIsToldInItsText) {
  const std::string docx = Docx("refused", "<text:p>words</text:p>");
  EXPECT_EQ(Convert(docx, Path("refused.xyz"), "99").errorText, "This file format is not available: 99");
  EXPECT_EQ(Convert(docx, Path("refused.xyz"), "two").errorText, "This file format is not available: two");
  std::mt19937 gen(11);
  std::string noise(20000, '\0');
  for (char& c : noise) c = static_cast<char>(gen());
  test::WriteFile(Path("noise.docx"), noise);
  EXPECT_EQ(Convert(Path("noise.docx"), Path("noise.rtf"), "6").errorText, "The file is corrupt and cannot be opened");
  EXPECT_FALSE(fs::exists(Path("noise.rtf")));
}

TEST_F(NoWordOffice, TheBrowserAndTheLibraryShareOneOfficeUntilTheLibraryIsUnloaded) {
  test::WriteFile(Path("shared.htm"), "<p>shared</p>");
  const std::string docx = Docx("shared", "<text:p>shared</text:p>");
  ASSERT_TRUE(Convert(Path("shared.htm"), Path("shared.txt"), "2").ok);
  ASSERT_TRUE(Convert(docx, Path("shared.rtf"), "6").ok);
  EXPECT_EQ(OfficeChildren(), 1);
  // The converter goes and gives the format library back, which lets go of the office.
  lib_->Unload();
  EXPECT_EQ(OfficeChildren(), 0);
  lib_->Reload();
  ASSERT_TRUE(Convert(docx, Path("again.txt"), "2").ok);
  EXPECT_EQ(ReadFile(Path("again.txt")), "shared\r\n");
}

}  // namespace
}  // namespace quillet
