#include <gtest/gtest.h>

#include <chrono>

#include "FakeDesktop.h"
#include "MUMacro/MUMacro.h"

namespace quillet {
namespace {

using os::NoWindow;
using os::WindowHandle;
using test::FakeDesktop;

std::string Failure(int line, const std::string& text) {
  return "Can not process No." + std::to_string(line) + " line macro:" + text + ", the window found is not right!";
}

// A converter's dialog: a label, an edit field and two buttons of its own, then
// two panels: the first with an edit field and two buttons, the second with
// one button.
class MUMacroTest : public ::testing::Test {
 protected:
  MUMacroTest() {
    dialog = desktop->AddWindow("#32770", "Convert File", 7);
    desktop->AddChild(dialog, "Static", "&Password:");
    edit = desktop->AddChild(dialog, "Edit", "");
    ok = desktop->AddChild(dialog, "Button", "OK");
    cancel = desktop->AddChild(dialog, "Button", "&Cancel");
    panel = desktop->AddChild(dialog, "#32770", "");
    panelEdit = desktop->AddChild(panel, "EDIT", "");
    yes = desktop->AddChild(panel, "button", "&Yes");
    no = desktop->AddChild(panel, "Button", "No");
    panel2 = desktop->AddChild(dialog, "Panel", "");
    later = desktop->AddChild(panel2, "Button", "Later");
  }

  std::string Run(const std::string& text) { return macro.RunMacro(dialog, text).message(); }

  std::shared_ptr<FakeDesktop> desktop = std::make_shared<FakeDesktop>();
  test::ScopedDesktop installed{desktop};
  TMUMacro macro;
  WindowHandle dialog, edit, ok, cancel, panel, panelEdit, yes, no, panel2, later;
};

TEST_F(MUMacroTest, EmptyAndCommentOnlyMacrosSucceedAndSendNothing) {
  EXPECT_EQ(Run(""), "");
  EXPECT_TRUE(macro.Commands.empty());
  EXPECT_EQ(Run("[Word]\r\n[button#1\n["), "");
  EXPECT_EQ(macro.Commands, (StringList{"[Word]", "[button#1", "["}));
  EXPECT_EQ(desktop->SentCount(), 0u);
}

TEST_F(MUMacroTest, UnknownLinesFailWithTheirNumberAndStopTheMacro) {
  EXPECT_EQ(Run(" button#1"), Failure(1, " button#1"));
  EXPECT_EQ(desktop->SentCount(), 0u);

  EXPECT_EQ(Run("button#1\r\n[skip]\r\n\r\nbutton#2"), Failure(3, ""));
  EXPECT_EQ(desktop->Clicks(ok), 1);
  EXPECT_TRUE(desktop->SentTo(cancel).empty());

  EXPECT_EQ(Run("butto#1"), Failure(1, "butto#1"));
  EXPECT_EQ(Run("press button#1"), Failure(1, "press button#1"));
}

TEST_F(MUMacroTest, EditTypesEverythingAfterTheFirstEqualsSign) {
  EXPECT_EQ(Run("edit#1=a=b"), "");
  EXPECT_EQ(desktop->Typed(edit), "a=b");
  for (const auto& sent : desktop->SentTo(edit)) {
    EXPECT_EQ(sent.message, os::WindowMessage::Char);
    EXPECT_EQ(sent.lParam, 0);
  }
  // Bytes above 127 go as their byte value, not sign-extended.
  EXPECT_EQ(Run("edit#1=\xE4"), "");
  EXPECT_EQ(desktop->SentTo(edit).back().wParam, 0xE4u);

  // The command word is a prefix, in any letter case.
  EXPECT_EQ(Run("Edit#1=x\nEDIT#1=y\reditbox#1=z"), "");
  EXPECT_EQ(desktop->Typed(edit), "a=b\xE4xyz");
}

TEST_F(MUMacroTest, EmptyEditTextTypesNothingButNeedsTheField) {
  EXPECT_EQ(Run("edit#2="), "");  // the panel's edit field exists
  EXPECT_EQ(desktop->SentCount(), 0u);
  EXPECT_EQ(Run("edit#3="), Failure(1, "edit#3="));
  EXPECT_EQ(Run("edit#2=pw"), "");
  EXPECT_EQ(desktop->Typed(panelEdit), "pw");
  EXPECT_EQ(desktop->Typed(edit), "");
}

TEST_F(MUMacroTest, MalformedArgumentsFailTheirLine) {
  for (const std::string line : {"button#x", "button#", "button#1 ", "edit#1", "edit1=x", "edit=1#x", "edit#a=x",
                                 "button(OK", "buttonOK)", "button)OK(", "delay(", "delay(x)", "delay10"}) {
    SCOPED_TRACE(line);
    EXPECT_EQ(Run("[first]\r\n" + line + "\r\nbutton#1"), Failure(2, line));
  }
  EXPECT_EQ(desktop->SentCount(), 0u);
}

TEST_F(MUMacroTest, AnIndexBelowOneNamesNoControl) {
  for (const std::string line : {"button#0", "button#-1", "edit#0=x", "edit#-2147483648=x", "button#-2147483648"}) {
    SCOPED_TRACE(line);
    EXPECT_EQ(Run(line), Failure(1, line));
  }
  EXPECT_EQ(desktop->SentCount(), 0u);
}

TEST_F(MUMacroTest, ButtonIndexCountsOwnChildrenThenSearchesPanelsWithTheReducedIndex) {
  EXPECT_EQ(Run("button#1\r\nbutton#2"), "");
  EXPECT_EQ(desktop->Clicks(ok), 1);
  EXPECT_EQ(desktop->Clicks(cancel), 1);
  // The dialog's own two buttons are passed over: index 3 is the first button of a panel.
  EXPECT_EQ(Run("button#3\r\nbutton#4"), "");
  EXPECT_EQ(desktop->Clicks(yes), 1);
  EXPECT_EQ(desktop->Clicks(no), 1);
  // Every panel is searched with the same reduced index (3): the first panel
  // holds only two, and the second only one.
  EXPECT_EQ(Run("button#5"), Failure(1, "button#5"));
  EXPECT_TRUE(desktop->SentTo(later).empty());
  EXPECT_EQ(Run("button#0"), Failure(1, "button#0"));
  EXPECT_EQ(Run("button#-1"), Failure(1, "button#-1"));
  // A click is exactly focus, button down, button up, all with zero parameters.
  const auto sent = desktop->SentTo(ok);
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].message, os::WindowMessage::SetFocus);
  EXPECT_EQ(sent[1].message, os::WindowMessage::LButtonDown);
  EXPECT_EQ(sent[2].message, os::WindowMessage::LButtonUp);
}

TEST_F(MUMacroTest, ButtonIndexDescendsWhenTheDialogHasNoButtonOfItsOwn) {
  const auto bare = desktop->AddWindow("#32770", "Panels only", 7);
  desktop->AddChild(bare, "Static", "Text");
  const auto inner = desktop->AddChild(bare, "Panel", "");
  const auto deeper = desktop->AddChild(inner, "Panel", "");
  const auto first = desktop->AddChild(deeper, "Button", "First");
  EXPECT_TRUE(macro.RunMacro(bare, "button#1").ok());
  EXPECT_EQ(desktop->Clicks(first), 1);
}

TEST_F(MUMacroTest, ButtonCaptionIsWholeAndKeepsTheAcceleratorMarker) {
  EXPECT_EQ(Run("button(yes)"), Failure(1, "button(yes)"));
  EXPECT_EQ(Run("button(Cancel)"), Failure(1, "button(Cancel)"));
  EXPECT_EQ(Run("button(O)"), Failure(1, "button(O)"));
  EXPECT_EQ(desktop->SentCount(), 0u);
  EXPECT_EQ(Run("button(&YES)\r\nbutton(ok)\r\nbutton(&cancel)\r\nbutton(later)"), "");
  EXPECT_EQ(desktop->Clicks(yes), 1);
  EXPECT_EQ(desktop->Clicks(ok), 1);
  EXPECT_EQ(desktop->Clicks(cancel), 1);
  EXPECT_EQ(desktop->Clicks(later), 1);
  // Only buttons: the label has the caption but another class.
  EXPECT_EQ(Run("button(&Password:)"), Failure(1, "button(&Password:)"));
}

TEST_F(MUMacroTest, ControlTextsAreReadUpTo99Characters) {
  const auto long1 = desktop->AddChild(dialog, "Button", std::string(99, 'a') + "tail");
  EXPECT_EQ(TMUMacro::GetControlText(long1), std::string(99, 'a'));
  EXPECT_EQ(Run("button(" + std::string(99, 'A') + ")"), "");
  EXPECT_EQ(desktop->Clicks(long1), 1);
}

TEST_F(MUMacroTest, DelayWaitsAtLeastItsTime) {
  EXPECT_EQ(Run("delay(0)\r\ndelay(-5)"), "");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Run("delay(120)\r\nbutton#1"), "");
  const auto waited = std::chrono::steady_clock::now() - start;
  // Tick counts are whole milliseconds, so allow for one truncated tick.
  EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count(), 119);
  EXPECT_EQ(desktop->Clicks(ok), 1);
}

TEST_F(MUMacroTest, AVanishedDialogFailsTheFirstCommandThatNeedsAControl) {
  desktop->DestroyWindow(dialog);
  EXPECT_EQ(Run("[x]\r\ndelay(0)\r\nedit#1=abc"), Failure(3, "edit#1=abc"));
  EXPECT_EQ(desktop->SentCount(), 0u);
}

}  // namespace
}  // namespace quillet
