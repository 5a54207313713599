// The fonts a document names that the machine lacks, through the library's
// fields, and STRICTFONTS, with real LibreOffice behind the stand-ins: a
// document, a workbook and a presentation each in a font the machine has, one
// with a metric-compatible substitute and one nobody has.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>

#include "LinuxSupport.h"

namespace quillet {
namespace {

using test::Convert;
using test::kCompatibleFont;
using test::kMissingFont;
using test::kPresentFont;
using test::LastErrorCode;
using test::Library;
using test::MakeWithFonts;
using test::Work;

std::string Field(const std::string& name) { return Library().GetFieldValue(name).value; }

// The lines of a field, in order of the text (the office's order of meeting them).
std::set<std::string> Lines(const std::string& text) {
  std::set<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.insert(line);
  return lines;
}

struct Kind {
  const char* ext;
  const char* pdfFormat;
  const char* app;
};
constexpr Kind kKinds[] = {{"docx", "17", ""}, {"xlsx", "57", "MS Excel"}, {"pptx", "32", "MS Powerpoint"}};

TEST(Fonts, EachKindOfDocumentTellsItsReplacedFontsAndStrictFontsRefusesAFallback) {
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.ext);
    const std::string three =
        MakeWithFonts(std::string("three-") + kind.ext, kind.ext, {kPresentFont, kCompatibleFont, kMissingFont});
    const std::string pdf = Work() / (std::string("three-") + kind.ext + ".pdf");
    ASSERT_EQ(Convert(three, pdf, kind.pdfFormat, kind.app), "");
    // The font the machine has is no replacement; Calibri's substitute has
    // its metrics. (Workbooks and presentations name the office's default
    // fonts in their styles too: Arial, Times New Roman, its symbol font.)
    const std::string fonts = Field("substitutedfonts");
    EXPECT_TRUE(Lines(fonts).count(kCompatibleFont + "=Carlito")) << fonts;
    EXPECT_TRUE(Lines(fonts).count(kMissingFont + "=DejaVu Sans")) << fonts;
    EXPECT_EQ(fonts.find(kPresentFont + "="), std::string::npos) << fonts;
    EXPECT_EQ(Field("fallbackfonts"), kMissingFont + "\n");

    const std::string refused = Work() / (std::string("refused-") + kind.ext + ".pdf");
    const std::string option = std::string(kind.app) + " STRICTFONTS";
    EXPECT_EQ(Convert(three, refused, kind.pdfFormat, option), "Fonts not available: " + kMissingFont);
    EXPECT_EQ(LastErrorCode(), "fontsmissing");
    EXPECT_FALSE(std::filesystem::exists(refused));
    // The refused document's fonts are still told.
    EXPECT_EQ(Field("fallbackfonts"), kMissingFont + "\n");

    // Fonts that all have metric-compatible substitutes pass.
    const std::string compatible = MakeWithFonts(std::string("compatible-") + kind.ext, kind.ext,
                                                 {kCompatibleFont, "Cambria", "Arial", "Times New Roman"});
    const std::string passed = Work() / (std::string("compatible-") + kind.ext + ".pdf");
    ASSERT_EQ(Convert(compatible, passed, kind.pdfFormat, option), "");
    EXPECT_TRUE(std::filesystem::exists(passed));
    const std::set<std::string> expected{"Calibri=Carlito", "Cambria=Caladea", "Arial=Liberation Sans",
                                         "Times New Roman=Liberation Serif"};
    const std::set<std::string> got = Lines(Field("substitutedfonts"));
    EXPECT_TRUE(std::includes(got.begin(), got.end(), expected.begin(), expected.end())) << Field("substitutedfonts");
    EXPECT_EQ(Field("fallbackfonts"), "");
  }
}

TEST(Fonts, ADocumentInFontsTheMachineHasReplacesNoneAndAFailureBeforeTheOpenForgetsTheLast) {
  const std::string present = MakeWithFonts("present", "docx", {kPresentFont});
  const std::string missing = MakeWithFonts("missing", "docx", {kMissingFont});
  ASSERT_EQ(Convert(missing, Work() / "missing.pdf", "17"), "");
  ASSERT_NE(Field("substitutedfonts"), "");
  ASSERT_EQ(Convert(present, Work() / "present.pdf", "17", "STRICTFONTS"), "");
  EXPECT_EQ(Field("substitutedfonts"), "");
  EXPECT_EQ(Field("fallbackfonts"), "");

  ASSERT_EQ(Convert(missing, Work() / "missing.pdf", "17"), "");
  EXPECT_NE(Convert(Work() / "nothing-here.docx", Work() / "nothing.pdf", "17"), "");
  EXPECT_EQ(Field("substitutedfonts"), "");
}

TEST(Fonts, HostileFontNamesReachTheFieldWithoutControlCharactersAndBounded) {
  const std::string longName(400, 'L');
  const std::string hostile = MakeWithFonts("hostile", "docx", {"Evil\r\nX-Injected: 1", longName});
  ASSERT_EQ(Convert(hostile, Work() / "hostile.pdf", "17"), "");
  const std::string fonts = Field("substitutedfonts");
  EXPECT_EQ(fonts.find('\r'), std::string::npos);
  EXPECT_NE(fonts.find("EvilX-Injected: 1=DejaVu Sans\n"), std::string::npos) << fonts;
  EXPECT_NE(fonts.find(std::string(128, 'L') + "=DejaVu Sans\n"), std::string::npos) << fonts;
  EXPECT_EQ(fonts.find(std::string(129, 'L')), std::string::npos);
}

}  // namespace
}  // namespace quillet
