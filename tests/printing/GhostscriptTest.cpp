// The Ghostscript binding against the library double GSDLL32.dll: the ten
// entries of the argument vector, the five calls in order, each failure's
// text and the exit that follows it, and one load for the whole program.
#include "PrintingFixture.h"
#include "documents/gsdlllib/Ghostscript.h"
#include "platform/fs.h"

namespace quillet::test {
namespace {

class Ghostscript : public PrintingTest {
 protected:
  Lines Transcript() const { return d.Events(App::Ghostscript); }
  std::string ps = dir / "in.ps", pdf = dir / "out file.pdf";
  void SetUp() override { WriteFile(ps, "%!PS-Adobe-3.0\nshowpage\n"); }
};

TEST_F(Ghostscript, TheArgumentVectorAndTheFiveCallsInOrder) {
  const Status made = PsToPdfByGhostscript(ps, pdf);
  EXPECT_TRUE(made.ok()) << made.message();
  EXPECT_TRUE(GhostscriptLoaded());
  EXPECT_EQ(Transcript(), (Lines{
                              "call gsdll_init <callback>, Null, 10",
                              "arg ps2pdf",
                              "arg -dNOPAUSE",
                              "arg -dBATCH",
                              "arg -dSAFER",
                              "arg -sDEVICE=pdfwrite",
                              "arg -sOutputFile=" + pdf,
                              "arg -c",
                              "arg .setpdfwrite",
                              "arg -f",
                              "arg " + ps,
                              "call gsdll_execute_begin",
                              "call gsdll_execute_cont Null, 0",
                              "call gsdll_execute_end",
                              "call gsdll_exit",
                          }));
  EXPECT_TRUE(StartsWith(ReadFile(pdf), "%PDF-"));
}

TEST_F(Ghostscript, EachFailingCallGivesItsTextAndTheExitFollows) {
  const struct {
    const char* entry;
    const char* text;
    const char* lastBeforeExit;
  } cases[] = {
      {"gsdll_init", "Can not init gsdll32.dll!", "arg "},
      {"gsdll_execute_begin", "Can not execute begin gsdll32.dll!", "call gsdll_execute_begin"},
      {"gsdll_execute_cont", "Can not excute cont gsdll32.dll!", "call gsdll_execute_cont Null, 0"},
      {"gsdll_execute_end", "Can not excute end gsdll32.dll!", "call gsdll_execute_end"},
  };
  for (const auto& c : cases) {
    d.Script(App::Ghostscript, std::string("Fail=") + c.entry + "\n");
    const size_t before = Transcript().size();
    const Status failed = PsToPdfByGhostscript(ps, pdf);
    EXPECT_FALSE(failed.ok()) << c.entry;
    EXPECT_EQ(failed.message(), c.text);
    const Lines all = Transcript();
    ASSERT_GE(all.size(), before + 2);
    EXPECT_EQ(all.back(), "call gsdll_exit") << c.entry;
    EXPECT_TRUE(StartsWith(all[all.size() - 2], c.lastBeforeExit)) << c.entry;
  }
  // An exit that fails: the PDF it made is not clean.
  d.Script(App::Ghostscript, "Fail=gsdll_exit\n");
  EXPECT_EQ(PsToPdfByGhostscript(ps, pdf).message(), "Ghostscript did not end cleanly after making \"" + pdf + "\"");
}

TEST_F(Ghostscript, TheFailuresReachTheConversionAndNoPostScriptStays) {
  d.Script(App::Ghostscript, "Fail=gsdll_execute_end\n");
  EXPECT_EQ(ToPdf("MS Word", Src("a.doc"), dir / "a.pdf", "USEGSDLL"), "Can not excute end gsdll32.dll!");
  EXPECT_TRUE(NoTemporaryFile(".ps"));
  d.Script(App::Ghostscript, "Fail=gsdll_exit\n");
  EXPECT_EQ(ToPdf("MS Word", Src("a.doc"), dir / "b.pdf", "USEGSDLL"),
            "Ghostscript did not end cleanly after making \"" + (dir / "b.pdf") + "\"");
}

// Run as a program of its own, where the double is not on the search path.
TEST(GhostscriptAbsent, WithoutTheLibraryTheTextSaysItCannotBeLoadedAndTheNextCallTriesAgain) {
  const Status absent = PsToPdfByGhostscript("in.ps", "out.pdf");
  EXPECT_EQ(absent.code(), ErrorCode::NotInstalled);
  EXPECT_EQ(absent.message(), "Can not load gsdll32.dll!");
  EXPECT_FALSE(GhostscriptLoaded());
  doubles::UseGhostscriptDouble();
  EXPECT_TRUE(LoadGhostscript());
  EXPECT_TRUE(GhostscriptLoaded());
}

}  // namespace
}  // namespace quillet::test
