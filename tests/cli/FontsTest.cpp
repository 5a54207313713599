// The fonts replaced in a document as the command line and the service carry
// them: read from the library's two fields, over a worker's pipe, into the
// answer's header (names from documents: escaped and bounded) and the
// metrics (families from documents: bounded in number).
#include <gtest/gtest.h>

#include "Fonts.h"
#include "Library.h"
#include "Metrics.h"
#include "Workers.h"

namespace quillet::cli::serve {
namespace {

TEST(Fonts, TheFieldsReadBackAsFontsWithTheirKindAndWriteAgainAsTheyCame) {
  const std::string substituted = "Calibri=Carlito\nA=B=DejaVu Sans\nno equals sign\n\nQuillet Missing=DejaVu Serif";
  const std::vector<SubstitutedFont> fonts = ParseSubstitutedFonts(substituted, "A=B\nQuillet Missing\n");
  const std::vector<SubstitutedFont> expected = {
      {"Calibri", "Carlito", true}, {"A=B", "DejaVu Sans", false}, {"Quillet Missing", "DejaVu Serif", false}};
  EXPECT_EQ(fonts, expected);
  EXPECT_EQ(SubstitutedFontsText(fonts), "Calibri=Carlito\nA=B=DejaVu Sans\nQuillet Missing=DejaVu Serif\n");
  EXPECT_EQ(FallbackFontsText(fonts), "A=B\nQuillet Missing\n");
  EXPECT_EQ(FontLine(fonts[0]), "Calibri replaced by Carlito (same metrics)");
  EXPECT_EQ(FontLine(fonts[2]), "Quillet Missing replaced by DejaVu Serif (other metrics)");
  EXPECT_TRUE(ParseSubstitutedFonts("", "").empty());

  // A worker's answer carries them, also with a failure.
  Outcome sent{false, "Fonts not available: Quillet Missing", 30, Failure::Document, "fontsmissing", fonts};
  std::string buffer = PackAnswer(sent);
  Outcome got;
  ASSERT_TRUE(UnpackAnswer(buffer, got));
  EXPECT_EQ(got.fonts, fonts);
  EXPECT_EQ(got.code, "fontsmissing");
}

TEST(Fonts, TheHeaderEscapesWhatANameMayHoldAndStaysWithinItsBound) {
  EXPECT_EQ(FontsHeaderValue({}), "");
  EXPECT_EQ(FontsHeaderValue({{"Calibri", "Carlito", true}, {"Quillet Missing Sans", "DejaVu Sans", false}}),
            "Calibri=Carlito, Quillet Missing Sans=DejaVu Sans");
  const std::string value =
      FontsHeaderValue({{"Evil\r\nX-Injected: 1", "DejaVu Sans"}, {"a,b=c%d\x7f\t", "X"}, {"caf\xc3\xa9", "Y"}});
  EXPECT_EQ(value, "Evil%0D%0AX-Injected: 1=DejaVu Sans, a%2Cb%3Dc%25d%7F%09=X, caf%C3%A9=Y");
  for (const char c : value) EXPECT_TRUE(c >= 0x20 && c < 0x7f) << static_cast<int>(c);

  // Entries past the bound are left out whole.
  std::vector<SubstitutedFont> many;
  for (int i = 0; i < 200; ++i) many.push_back({std::string(60, 'a' + i % 26) + std::to_string(i), "DejaVu Sans"});
  const std::string bounded = FontsHeaderValue(many);
  EXPECT_LE(bounded.size(), kMaxFontsHeaderBytes);
  EXPECT_GT(bounded.size(), kMaxFontsHeaderBytes - 80);
  EXPECT_EQ(bounded.substr(bounded.size() - 12), "=DejaVu Sans");

  std::vector<SubstitutedFont> merged = {{"Calibri", "Carlito", true}};
  AddFonts(merged, {{"Calibri", "Carlito", true}, {"Quillet", "DejaVu Sans", false}});
  EXPECT_EQ(merged.size(), 2u);
}

TEST(Fonts, TheMetricCountsEachFamilyByItsKindAndBoundsTheFamilies) {
  Metrics metrics;
  metrics.Fonts({{"Calibri", "Carlito", true}, {"Say \"hi\"\\\n", "DejaVu Sans", false}});
  metrics.Fonts({{"Calibri", "Carlito", true}});
  std::string text = metrics.Text(PoolView{});
  EXPECT_NE(text.find("quillet_substituted_fonts_total{requested=\"Calibri\",metrics=\"same\"} 2\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("quillet_substituted_fonts_total{requested=\"Say \\\"hi\\\"\\\\\\n\",metrics=\"other\"} 1\n"),
            std::string::npos)
      << text;

  for (size_t i = 0; i < Metrics::kMaxFontFamilies + 10; ++i)
    metrics.Fonts({{"Family " + std::to_string(i), "DejaVu Sans", false}});
  text = metrics.Text(PoolView{});
  EXPECT_NE(text.find("requested=\"(other)\",metrics=\"other\"} 12\n"), std::string::npos);
  EXPECT_EQ(text.find("requested=\"Family 260\""), std::string::npos);
  // A family counted already keeps counting under its own name.
  metrics.Fonts({{"Calibri", "Carlito", true}});
  EXPECT_NE(metrics.Text(PoolView{}).find("requested=\"Calibri\",metrics=\"same\"} 3\n"), std::string::npos);
}

}  // namespace
}  // namespace quillet::cli::serve
