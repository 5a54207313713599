// What the service makes of the names and option texts clients send, and of
// the files a conversion leaves: nothing a client sends may become a path,
// reach a route it was not offered, or bring a file of the machine's along.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "ClientOptions.h"
#include "Output.h"
#include "Names.h"
#include "TestSupport.h"
#include "platform/utf8.h"

namespace quillet::cli::serve {
namespace {

namespace fs = std::filesystem;

// The text ClientOption raises for Text; empty when it takes it.
std::string Refusal(const std::string& text) {
  try {
    ClientOption(text);
  } catch (const std::invalid_argument& e) {
    return e.what();
  }
  return {};
}

TEST(CleanName, KeepsOnlyTheBaseNameOfAPathInEitherSlash) {
  EXPECT_EQ(CleanName("../../x.docx"), "x.docx");
  EXPECT_EQ(CleanName("C:\\Users\\me\\report.docx"), "report.docx");
  EXPECT_EQ(CleanName("...hidden.txt"), "hidden.txt");
  EXPECT_EQ(CleanName(""), "document");
  EXPECT_EQ(CleanName("../.."), "document");
}

TEST(CleanName, OverlongSeparatorsAndDotsAreBytesOfNoCharacterNotAPath) {
  // Decoded leniently these read "../../etc/passwd".
  const std::string name = CleanName(test::OverlongDotsAndSlashes("../../etc/passwd") + ".txt");
  EXPECT_EQ(name.find('/'), std::string::npos) << name;
  EXPECT_EQ(name.find(".."), std::string::npos) << name;
  EXPECT_TRUE(utf8::IsValid(name)) << utf8::Shown(name);
  EXPECT_EQ(name, "____________etc__passwd.txt");
  // Surrogates, stray continuation bytes and cut sequences likewise.
  EXPECT_EQ(CleanName("a\xED\xA0\x80"
                      "b\x80"
                      "c\xE2\x82.txt"),
            "a___b_c__.txt");
}

TEST(CleanName, DropsControlAndDirectionCharacters) {
  // A right-to-left override would show "exe.docx" as "xcod.exe".
  EXPECT_EQ(CleanName("in\xE2\x80\xAE"
                      "xcod.exe"),
            "inxcod.exe");
  EXPECT_EQ(CleanName("a\r\nb\x7F\xC2\x85.txt"), "ab.txt");
}

TEST(CleanName, CutsALongNameAtACharacterKeepingItsExtension) {
  std::string accents;
  for (int i = 0; i < 150; ++i) accents += "\xC3\xA9";  // 300 bytes of é
  const std::string name = CleanName(accents + ".docx");
  EXPECT_LE(name.size(), kLongestName);
  EXPECT_TRUE(utf8::IsValid(name)) << utf8::Shown(name);
  EXPECT_TRUE(name.ends_with(".docx")) << name;
  EXPECT_EQ(name.size(), 199u) << "cut after the last whole character that fits";
}

TEST(CleanName, IsItsOwnCleanName) {
  for (const std::string& given :
       {test::OverlongDotsAndSlashes("../a.b/c.txt"), std::string("\xF4\x90\x80\x80x.doc"), std::string(" . .x"),
        std::string(300, 'a') + ".docx", std::string("\xC3\xA9\xC3") + std::string(250, '\xA9')}) {
    const std::string once = CleanName(given);
    EXPECT_EQ(CleanName(once), once) << utf8::Shown(given);
  }
}

TEST(ClientNameOf, NamesTheResultsAfterTheClientsFileButKeepsASupportingFolder) {
  EXPECT_EQ(ClientNameOf("result.pdf", "result", "memo"), "memo.pdf");
  EXPECT_EQ(ClientNameOf("result/Slide1.jpg", "result", "deck"), "deck/Slide1.jpg");
  // The page's links name its pictures' folder.
  EXPECT_EQ(ClientNameOf("result_files/image1.png", "result", "memo"), "result_files/image1.png");
  EXPECT_EQ(ClientNameOf("resultant.txt", "result", "memo"), "resultant.txt");
}

TEST(ClientOption, TakesThePdfAndPictureKeywordsAndRebuildsTheText) {
  EXPECT_EQ(ClientOption(""), "");
  EXPECT_EQ(ClientOption("  PDFA=2\tPAGES=2-3  orientation:=2 "), "PDFA=2 PAGES=2-3 orientation:=2");
  EXPECT_EQ(ClientOption("JPEGWIDTH=-50 JPEGQUALITY=90 GIFKEEPASPECT=1"),
            "JPEGWIDTH=-50 JPEGQUALITY=90 GIFKEEPASPECT=1");
  // A password is read as the library reads it, and written as it writes it:
  // the keywords inside it are not keywords.
  EXPECT_EQ(ClientOption("PASSWORD=\"my USEMACRO \"\"secret\"\"\" PDFA"),
            "PASSWORD=\"my USEMACRO \"\"secret\"\"\" PDFA");
  EXPECT_EQ(ClientOption("PASSWORD=plain"), "PASSWORD=plain");
  // An empty password, quoted or not, is written as the library writes it.
  EXPECT_EQ(ClientOption("PASSWORD= PDFA"), "PASSWORD=\"\" PDFA");
  EXPECT_EQ(ClientOption("PDFA PASSWORD=\"\""), "PDFA PASSWORD=\"\"");
  // The library's PDF export options and a quoted list of pages.
  EXPECT_EQ(ClientOption("PDF.Landscape=true PDF.Quality=40 PAGES=\"1-3,5\""),
            "PDF.Landscape=true PDF.Quality=40 PAGES=\"1-3,5\"");
}

TEST(ClientOption, RefusesExportOptionsTheLibraryDoesNotReadAsSent) {
  for (const char* text :
       {"PDF.Sideways=true", "PDF.Landscape=yes", "PDF.Quality=101", "PDF.Quality=080", "PDF.MaxImageResolution=200",
        "PDF.Landscape=true,USEMACRO", "PDF.Landscape=true;PDFA", "PDF.=true", "PDF.Landscape=\"true\""}) {
    const std::string error = Refusal(text);
    EXPECT_NE(error.find("is not a PDF export option this server takes"), std::string::npos) << text << ": " << error;
  }
  // A list of pages quoted without blanks, of pages and ascending ranges.
  for (const char* text :
       {"PAGES=\"1-3, 5\"", "PAGES=\"1,x\"", "PAGES=\"0,2\"", "PAGES=\"1,2\"USEMACRO", "PAGES=\"1,2"})
    EXPECT_NE(Refusal(text).find("is not one this server takes"), std::string::npos) << text;
  std::string many = "PAGES=\"1";
  for (int i = 2; i <= 101; ++i) many += "," + std::to_string(i);
  EXPECT_NE(Refusal(many + "\"").find("is not one this server takes"), std::string::npos);
}

TEST(ClientOption, RefusesEveryOtherKeywordNamingIt) {
  const std::pair<std::string, std::string> refused[] = {
      {"USEMACRO", "USEMACRO"},
      {"PDFA USEGSDLL", "USEGSDLL"},
      {"MERGEHTML", "MERGEHTML"},
      {"OPENFORMAT=x", "OPENFORMAT=x"},
      {"MS Excel", "MS"},
      {"No MS Word", "No"},
      {"NOCREATEIMAGEDIR", "NOCREATEIMAGEDIR"},
      // Keywords are found anywhere in the library's text: glued to a value
      // one would still count.
      {"JPEGWIDTH=800USEMACRO", "JPEGWIDTH=800USEMACRO"},
      {"PDFAUSEMACRO", "PDFAUSEMACRO"},
      // The font keyword is taken whole and bare only.
      {"STRICTFONTS=0", "STRICTFONTS=0"},
      {"STRICTFONTSUSEMACRO", "STRICTFONTSUSEMACRO"},
      {"xSTRICTFONTS", "xSTRICTFONTS"},
  };
  for (const auto& [text, named] : refused) {
    const std::string error = Refusal(text);
    EXPECT_NE(error.find("option keyword " + named + " is not one"), std::string::npos) << text << ": " << error;
  }
  EXPECT_NE(Refusal("TIMEOUT=5").find("give the deadline in the field timeout"), std::string::npos);
  EXPECT_NE(Refusal("PASSWORD=\"open").find("closing double quote"), std::string::npos);
  EXPECT_NE(Refusal("PASSWORD=\"a\"USEMACRO").find("a blank must follow"), std::string::npos);
  // The library reads the first password only: a second is refused, not
  // passed on to be read as something else.
  EXPECT_NE(Refusal("PASSWORD=a PASSWORD=b").find("PASSWORD= may be given once"), std::string::npos);
  EXPECT_NE(Refusal("PASSWORD=\"a b\" PASSWORD=").find("PASSWORD= may be given once"), std::string::npos);
  // Bytes that are no text are shown as such, not passed into the message.
  EXPECT_NE(Refusal("\xC0\xAF").find("\\xC0\\xAF"), std::string::npos) << Refusal("\xC0\xAF");
}

TEST(ResultsIn, TakesRegularFilesAndNeitherFollowsNorTakesALink) {
  test::TempDir dir;
  fs::create_directories(dir / "out/result");
  test::WriteFile(dir / "out/result/Slide1.jpg", "picture");
  test::WriteFile(dir / "out/result.html", "page");
  test::WriteFile(dir / "secret", "not a result");
  fs::create_symlink(dir / "secret", dir / "out/linked.txt");
  fs::create_directory_symlink(dir.path(), dir / "out/folder");
  const auto made = ResultsIn(dir / "out");
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(made[0].second, "result.html");
  EXPECT_EQ(made[1].second, "result/Slide1.jpg");
  EXPECT_TRUE(ResultsIn(dir / "nothing").empty());
}

}  // namespace
}  // namespace quillet::cli::serve
