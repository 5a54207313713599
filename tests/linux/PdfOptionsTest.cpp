// The PDF keywords with real LibreOffice behind the stand-ins: PDF/A whose
// metadata says so and whose fonts are embedded, a range of pages of a
// document, a workbook and a presentation, and protected documents opened
// with their password, refused at once with a wrong one, and never showing
// the password in an error text or a report.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <regex>

#include "FlatDocuments.h"
#include "LinuxSupport.h"

namespace quillet {
namespace {

using test::Convert;
using test::ReadFile;
using test::Work;

const std::vector<std::string> kPageWords = {"alpha", "bravo", "charlie", "delta"};
const std::string kPassword = "open sesame";

// The standard output of Command.
std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    ::pclose(pipe);
  }
  return out;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

int PageCount(const std::string& pdf) {
  std::smatch m;
  const std::string info = Output("pdfinfo " + Quoted(pdf));
  return std::regex_search(info, m, std::regex("Pages:\\s+(\\d+)")) ? std::stoi(m[1]) : -1;
}

std::string Text(const std::string& pdf) { return Output("pdftotext " + Quoted(pdf) + " -"); }

// The words of kPageWords that the text holds.
std::vector<std::string> PageWordsIn(const std::string& text) {
  std::vector<std::string> found;
  for (const std::string& word : kPageWords)
    if (text.find(word) != std::string::npos) found.push_back(word);
  return found;
}

// The fonts pdffonts lists, each with whether it is embedded.
std::vector<std::pair<std::string, bool>> Fonts(const std::string& pdf) {
  std::vector<std::pair<std::string, bool>> fonts;
  const std::string list = Output("pdffonts " + Quoted(pdf));
  const std::regex line("^(\\S+).*\\s(yes|no)\\s+(yes|no)\\s+(yes|no)\\s+\\d+\\s+\\d+\\s*$");
  size_t start = 0;
  for (size_t end; (end = list.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string text = list.substr(start, end - start);
    std::smatch m;
    if (std::regex_match(text, m, line)) fonts.emplace_back(m[1], m[2] == "yes");
  }
  return fonts;
}

class PdfOptions : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string pages;
    for (size_t i = 0; i < kPageWords.size(); ++i)
      pages += std::string(i ? "<text:p text:style-name=\"Break\">" : "<text:p>") + kPageWords[i] + " page</text:p>";
    document_ = Make("pages.fodt",
                     test::FlatText(pages,
                                    "<style:style style:name=\"Break\" style:family=\"paragraph\">"
                                    "<style:paragraph-properties fo:break-before=\"page\"/>"
                                    "</style:style>"),
                     "pages.docx", "16", "");
    std::vector<std::pair<std::string, std::vector<std::vector<std::string>>>> sheets;
    std::vector<std::vector<std::vector<std::string>>> slides;
    for (const std::string& word : kPageWords) {
      sheets.push_back({word, {{word + " cell"}}});
      slides.push_back({{word + " slide"}});
    }
    book_ = Make("pages.fods", test::FlatSpreadsheet(sheets), "pages.xlsx", "51", "MS Excel");
    deck_ = Make("pages.fodp", test::FlatPresentation(slides), "pages.pptx", "24", "MS Powerpoint");

    // The protected copies: saved by an office of their own, which the
    // stand-ins have no way to do for a presentation.
    test::UsersOffice maker(test::TestPipe() + "-maker");
    const std::pair<std::string, const char*> copies[] = {
        {document_, "MS Word 2007 XML"}, {book_, "Calc MS Excel 2007 XML"}, {deck_, "Impress MS PowerPoint 2007 XML"}};
    for (const auto& [source, filter] : copies)
      maker.SaveWithPassword(source, Out("secret" + std::filesystem::path(source).extension().string()), filter,
                             kPassword);
    maker.Terminate();
  }

  static std::string Out(const std::string& name) { return Work() / name; }

  static std::string Make(const std::string& flatName, const std::string& flat, const std::string& name,
                          const std::string& format, const std::string& option) {
    test::WriteFile(Out(flatName), flat);
    const std::string error = Convert(Out(flatName), Out(name), format, option);
    if (!error.empty()) throw std::runtime_error("cannot make " + name + ": " + error);
    return Out(name);
  }

  static std::string document_, book_, deck_;
};

std::string PdfOptions::document_, PdfOptions::book_, PdfOptions::deck_;

TEST_F(PdfOptions, APdfADocumentDeclaresPartOneBAndEmbedsItsFonts) {
  const std::string plain = Out("plain.pdf"), archive = Out("archive.pdf");
  ASSERT_EQ(Convert(document_, plain, "17"), "");
  ASSERT_EQ(Convert(document_, archive, "17", "PDFA"), "");
  const std::string meta = Output("pdfinfo -meta " + Quoted(archive));
  EXPECT_TRUE(std::regex_search(meta, std::regex("pdfaid:part(>|=\")1\\b"))) << meta;
  EXPECT_TRUE(std::regex_search(meta, std::regex("pdfaid:conformance(>|=\")B\\b"))) << meta;
  const auto fonts = Fonts(archive);
  ASSERT_FALSE(fonts.empty());
  for (const auto& [name, embedded] : fonts) EXPECT_TRUE(embedded) << name;
  EXPECT_EQ(PageWordsIn(Text(archive)), kPageWords);
  // The same document without the keyword is a PDF with no such claim.
  EXPECT_EQ(Output("pdfinfo -meta " + Quoted(plain)).find("pdfaid"), std::string::npos);
}

TEST_F(PdfOptions, ARangeOfPagesOfADocumentAWorkbookAndAPresentation) {
  struct Case {
    std::string source, format, app;
  };
  for (const Case& c :
       {Case{document_, "17", ""}, Case{book_, "57", "MS Excel "}, Case{deck_, "32", "MS Powerpoint "}}) {
    const std::string pdf = Out("range-" + c.format + ".pdf");
    ASSERT_EQ(Convert(c.source, pdf, c.format, c.app + "PAGES=2-3"), "") << c.source;
    EXPECT_EQ(PageCount(pdf), 2) << c.source;
    EXPECT_EQ(PageWordsIn(Text(pdf)), (std::vector<std::string>{"bravo", "charlie"})) << c.source;
    // A single page.
    ASSERT_EQ(Convert(c.source, pdf, c.format, c.app + "PAGES=4"), "") << c.source;
    EXPECT_EQ(PageWordsIn(Text(pdf)), std::vector<std::string>{"delta"}) << c.source;
  }
}

TEST_F(PdfOptions, ProtectedFilesOpenWithTheirPasswordAndFailAtOnceWithAWrongOne) {
  struct Case {
    std::string source, dest, format, app, word;
  };
  const Case cases[] = {{Out("secret.docx"), Out("secret.txt"), "2", "", "alpha page"},
                        {Out("secret.xlsx"), Out("secret.csv"), "6", "MS Excel ", "alpha cell"},
                        {Out("secret.pptx"), Out("secret-slides.txt"), "9999", "MS Powerpoint ", "alpha slide"}};
  const std::string wrong = "not the password";
  for (const Case& c : cases) {
    EXPECT_EQ(Convert(c.source, c.dest, c.format, c.app), "The password is incorrect") << c.source;
    ASSERT_EQ(Convert(c.source, c.dest, c.format, c.app + "PASSWORD=\"" + kPassword + "\""), "") << c.source;
    EXPECT_NE(ReadFile(c.dest).find(c.word), std::string::npos) << c.source;

    std::filesystem::remove(c.dest);
    const auto start = std::chrono::steady_clock::now();
    const std::string error = Convert(c.source, c.dest, c.format, c.app + "PASSWORD=\"" + wrong + "\"");
    // Refused, not left waiting on a password prompt until the deadline
    // (120 s); the bound is loose so that a busy machine cannot fail it.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << c.source;
    EXPECT_EQ(error, "The password is incorrect") << c.source;
    EXPECT_FALSE(std::filesystem::exists(c.dest)) << c.source;
  }
}

TEST_F(PdfOptions, APasswordNeverShowsInTheReport) {
  // PowerPoint is given the password in the file name: no text about the
  // file may show that name.
  const std::string password = "Wr0ngAndSecret";
  struct Case {
    std::string ext, format, app;
  };
  for (const Case& c : {Case{"docx", "17", ""}, Case{"pptx", "32", "MS Powerpoint "}}) {
    const std::string in = Out("protected-" + c.ext), out = in + "-out", report = in + ".report";
    std::filesystem::create_directories(in);
    std::filesystem::create_directories(out);
    std::filesystem::copy_file(Out("secret." + c.ext), in + "/secret." + c.ext);
    test::WriteFile(in + "/broken." + c.ext, "PK\x03\x04 not a document");
    test::Library().ConvertFolder(in + "/*.*", out, c.format, 0, c.app + "PAGES=1-2 PASSWORD=" + password, report);
    const std::string written = ReadFile(report);
    EXPECT_TRUE(std::regex_search(written, std::regex("secret\\." + c.ext + " to .*The password is incorrect")))
        << written;
    EXPECT_NE(written.find("broken." + c.ext), std::string::npos) << written;
    EXPECT_EQ(written.find(password), std::string::npos) << written;
  }
}

}  // namespace
}  // namespace quillet
