// Dialogs that the applications raise inside the open, answered by the
// converter's dialog watcher: real windows of the doubles' own processes
// under Wine.
#include "ConversionFixture.h"

namespace quillet::test {
namespace {

using RealDialogs = ConversionTest;

Lines DialogLines(const doubles::Doubles& d, App app) {
  Lines found;
  for (const std::string& line : d.Events(app))
    if (line.rfind("dialog ", 0) == 0) found.push_back(line);
  return found;
}

TEST_F(RealDialogs, WordsConverterDialogIsAnsweredWithItsFirstButton) {
  d.Script(App::Word, "Dialog=WordPerfect\nDialogTimeoutMs=60000\n");
  const auto r = lib.ConvertSingleFile(File("a.wpd"), dir / "a.txt", "2", "MS Word");
  EXPECT_TRUE(r.ok) << r.errorText;
  EXPECT_EQ(DialogLines(d, App::Word), Lines{"dialog Convert File - WordPerfect 5.x pressed OK"});
}

TEST_F(RealDialogs, ExcelsVisualBasicWindowIsAnsweredWithItsSecondButton) {
  d.Script(App::Excel, "Dialog=Microsoft Visual Basic\nDialogTimeoutMs=60000\n");
  const auto r = lib.ConvertSingleFile(File("book.xls"), dir / "book.csv", "6", "MS Excel");
  EXPECT_TRUE(r.ok) << r.errorText;
  EXPECT_EQ(DialogLines(d, App::Excel), Lines{"dialog Microsoft Visual Basic pressed End"});
}

TEST_F(RealDialogs, PowerPointsPasswordPromptIsAnsweredWithItsFirstButton) {
  d.Script(App::PowerPoint, "Dialog=Password\nDialogTimeoutMs=60000\nSlide=text:A\n");
  const auto r = lib.ConvertSingleFile(File("deck.ppt"), dir / "deck.txt", "9999", "MS Powerpoint");
  EXPECT_TRUE(r.ok) << r.errorText;
  EXPECT_EQ(DialogLines(d, App::PowerPoint), Lines{"dialog Password pressed OK"});
  EXPECT_EQ(ReadFile(dir / "deck.txt"), "A\r\n");
}

}  // namespace
}  // namespace quillet::test
