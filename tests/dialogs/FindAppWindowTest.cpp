#include <gtest/gtest.h>

#include "FakeDesktop.h"
#include "dialogs/FindAppWindow.h"

namespace quillet {
namespace {

using os::NoWindow;
using test::FakeDesktop;

class FindAppWindowTest : public ::testing::Test {
 protected:
  std::shared_ptr<FakeDesktop> desktop = std::make_shared<FakeDesktop>();
  test::ScopedDesktop installed{desktop};
};

TEST_F(FindAppWindowTest, WithoutCriteriaTheFirstWindowMatches) {
  EXPECT_EQ(FindAppWindow("", "", "", ""), NoWindow);
  const auto first = desktop->AddWindow("Shell_TrayWnd", "", 10);
  desktop->AddWindow("#32770", "WordPerfect", 20);
  EXPECT_EQ(FindAppWindow("", "", "", ""), first);
}

TEST_F(FindAppWindowTest, CaptionOrElseClassNameIgnoringCase) {
  desktop->AddProcess(20, "WINWORD.EXE");
  const auto frame = desktop->AddWindow("OpusApp", "Document1 - Microsoft Word", 20);
  const auto dialog = desktop->AddWindow("#32770", "Convert File - wordperfect 5.x", 20);
  EXPECT_EQ(FindAppWindow("", "WORDPERFECT", "", ""), dialog);
  EXPECT_EQ(FindAppWindow("", "#32770", "", ""), dialog);  // the class name of every standard dialog
  EXPECT_EQ(FindAppWindow("", "opusapp", "", ""), frame);  // the class name when the caption lacks it
  EXPECT_EQ(FindAppWindow("winword.exe", "", "", ""), frame);
  EXPECT_EQ(FindAppWindow("", "Excel", "", ""), NoWindow);
}

TEST_F(FindAppWindowTest, EveryCriterionInUseMustHold) {
  desktop->AddProcess(20, "EXCEL.EXE");
  desktop->AddProcess(30, "winword.exe");
  desktop->AddWindow("#32770", "WordPerfect", 20);  // right caption, wrong process
  const auto wordFrame = desktop->AddWindow("OpusApp", "Microsoft Word", 30);
  const auto wordDialog = desktop->AddWindow("#32770", "WordPerfect", 30);
  EXPECT_EQ(FindAppWindow("winword.exe", "WordPerfect", "", ""), wordDialog);
  EXPECT_EQ(FindAppWindow("excel.exe", "Microsoft Word", "", ""), NoWindow);
  EXPECT_EQ(FindAppWindow("winword", "", "", ""), wordFrame);  // a part of the name is enough
}

TEST_F(FindAppWindowTest, ParentCriteriaLookAtTheOwner) {
  desktop->AddProcess(40, "POWERPNT.EXE");
  desktop->AddWindow("#32770", "Password", 40);  // no owner: parent criteria cannot hold
  const auto frame = desktop->AddWindow("PPTFrameClass", "Sales.ppt - Microsoft PowerPoint", 40);
  const auto owned = desktop->AddWindow("#32770", "Password", 40, frame);
  EXPECT_EQ(FindAppWindow("", "Password", "", "Microsoft PowerPoint"), owned);
  EXPECT_EQ(FindAppWindow("", "Password", "", "pptframeclass"), owned);
  EXPECT_EQ(FindAppWindow("", "Password", "powerpnt.exe", ""), owned);
  EXPECT_EQ(FindAppWindow("", "Password", "winword.exe", ""), NoWindow);
  desktop->DestroyWindow(frame);
  EXPECT_EQ(FindAppWindow("", "Password", "", "Microsoft PowerPoint"), NoWindow);
}

TEST_F(FindAppWindowTest, OnlyTheFirst253CharactersOfACaptionCount) {
  const std::string head(250, 'x');
  const auto window = desktop->AddWindow("Cls", head + "abc" + "def", 1);
  EXPECT_EQ(FindAppWindow("", "xabc", "", ""), window);  // ends at character 253
  EXPECT_EQ(FindAppWindow("", "abcd", "", ""), NoWindow);
  EXPECT_EQ(FindAppWindow("", "def", "", ""), NoWindow);
}

TEST_F(FindAppWindowTest, GoneProcessesAndWindowsHaveNoExeName) {
  desktop->AddProcess(50, "winword.exe");
  const auto dialog = desktop->AddWindow("#32770", "WordPerfect", 50);
  EXPECT_EQ(GetWindowExeName(dialog), "winword.exe");
  desktop->EndProcess(50);
  EXPECT_EQ(GetWindowExeName(dialog), "");
  EXPECT_EQ(FindAppWindow("winword.exe", "WordPerfect", "", ""), NoWindow);

  // A window destroyed between enumeration and test reports process id 0, which
  // the snapshot lists as the idle process: that is not the window's process.
  const auto vanishing = desktop->AddWindow("#32770", "Gone", 60);
  desktop->OnVisit([&](os::WindowHandle w) {
    if (w == vanishing) desktop->DestroyWindow(w);
  });
  EXPECT_EQ(FindAppWindow("system process", "", "", ""), NoWindow);
  EXPECT_EQ(GetWindowExeName(vanishing), "");
}

TEST_F(FindAppWindowTest, OneProcessSnapshotPerSearch) {
  for (os::ProcessId pid = 100; pid < 300; ++pid) {
    desktop->AddProcess(pid, "app" + std::to_string(pid) + ".exe");
    desktop->AddWindow("Cls" + std::to_string(pid), "Window", pid);
  }
  EXPECT_EQ(FindAppWindow("winword.exe", "", "", "Window"), NoWindow);
  EXPECT_EQ(desktop->Snapshots(), 1);
  EXPECT_EQ(FindAppWindow("", "Window", "", ""), FindAppWindow("", "", "", ""));
  EXPECT_EQ(desktop->Snapshots(), 1);  // no exe criterion: no snapshot at all

  // A window whose process started after the search read the process list is
  // still recognised: the list is read again for the unknown id.
  const auto late = desktop->AddWindow("#32770", "Late", 400);
  desktop->OnVisit([&](os::WindowHandle w) {
    if (w == late) desktop->AddProcess(400, "winword.exe");
  });
  EXPECT_EQ(FindAppWindow("winword.exe", "", "", ""), late);
  EXPECT_EQ(desktop->Snapshots(), 3);
}

TEST_F(FindAppWindowTest, FirstSnapshotEntryOfAProcessIdWins) {
  desktop->AddProcess(70, "first.exe");
  desktop->AddProcess(70, "second.exe");
  const auto window = desktop->AddWindow("Cls", "", 70);
  EXPECT_EQ(GetWindowExeName(window), "first.exe");
  EXPECT_EQ(FindAppWindow("second", "", "", ""), NoWindow);
  EXPECT_EQ(FindAppWindow("first", "", "", ""), window);
}

TEST(FindAppWindowSystem, SearchesTheSystemDesktopWhenNoneIsInstalled) {
  EXPECT_EQ(FindAppWindow("no-such-program-anywhere.exe", "", "", ""), NoWindow);
#ifndef _WIN32
  // Linux has no desktop: not even the first window of an unrestricted search.
  EXPECT_EQ(FindAppWindow("", "", "", ""), NoWindow);
#endif
}

}  // namespace
}  // namespace quillet
