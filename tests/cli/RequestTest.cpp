// The request the command line makes: the PDF settings become keywords in
// front of the user's option text, the password quoted as the library reads
// it back, and a password file gives its password without the line end.
#include <gtest/gtest.h>

#include <stdexcept>

#include "Request.h"
#include "TestSupport.h"
#include "engine/options/Options.h"

namespace quillet::cli {
namespace {

TEST(Request, ThePdfSettingsGoInFrontOfTheOptionText) {
  Ask ask{"pdf", "", "OPENFORMAT=5"};
  EXPECT_EQ(OptionFor(App::Word, ask), "OPENFORMAT=5");
  ask.pdfa = "1";
  ask.pages = "2-3";
  EXPECT_EQ(OptionFor(App::Word, ask), "PDFA PAGES=2-3 OPENFORMAT=5");
  ask.pdfa = "3";
  ask.option.clear();
  EXPECT_EQ(OptionFor(App::Excel, ask), "MS Excel PDFA=3 PAGES=2-3");
  ask.app = "powerpoint";
  EXPECT_EQ(OptionFor(App::PowerPoint, ask), "MS Powerpoint PDFA=3 PAGES=2-3");
  // A list of pages goes in quotes, which the library reads as a list; the
  // export options of --option pass on unchanged.
  ask.pages = "1-3, 5";
  ask.option = "PDF.Landscape=true PDF.Quality=40";
  const std::string option = OptionFor(App::PowerPoint, ask);
  EXPECT_EQ(option, "MS Powerpoint PDFA=3 PAGES=\"1-3, 5\" PDF.Landscape=true PDF.Quality=40");
  EXPECT_EQ(options::PageRangesText(options::Pages(option)), "1-3,5-5");
  EXPECT_EQ(options::PdfExport(option).Keywords(), "PDF.Landscape=true PDF.Quality=40");
}

TEST(Request, APasswordReachesTheLibraryAsItWasGiven) {
  for (const std::string password : {"plain", "two words", "say \"hi\"", "\"", "PDFA PAGES=9"}) {
    Ask ask{"txt", "", "MERGEHTML"};
    ask.password = password;
    const std::string option = OptionFor(App::PowerPoint, ask);
    EXPECT_EQ(options::Password(option), password) << option;
    EXPECT_TRUE(options::Has(option, "MERGEHTML")) << option;
    EXPECT_EQ(options::PdfALevel(option), 0) << option;
    EXPECT_TRUE(options::Pages(option).empty()) << option;
  }
}

TEST(Request, APasswordFileGivesItsTextWithoutTheClosingLineEnd) {
  const test::TempDir dir;
  const std::string file = dir / "password";
  test::WriteFile(file, "my secret\r\n");
  EXPECT_EQ(ReadPasswordFile(file), "my secret");
  test::WriteFile(file, " spaced \n");
  EXPECT_EQ(ReadPasswordFile(file), " spaced ");
  test::WriteFile(file, "no line end");
  EXPECT_EQ(ReadPasswordFile(file), "no line end");
  EXPECT_THROW(ReadPasswordFile(dir / "missing"), std::invalid_argument);
}

}  // namespace
}  // namespace quillet::cli
