// Getting hold of the office applications and giving them back, against the
// application doubles (COM local servers under Windows, in-process servers of
// the Linux registry).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "ApplicationsAccess.h"
#include "DoubleControl.h"
#include "engine/OfficeConvert.h"
#include "utilities/automation/Automation.h"

namespace quillet {
namespace {

using doubles::App;
using Lines = std::vector<std::string>;

class Applications : public ::testing::Test {
 protected:
  void Destroy() { conv.reset(); }
  doubles::Doubles d;
  std::unique_ptr<TOfficeConvertClass> conv = std::make_unique<TOfficeConvertClass>();
  std::string error = "untouched";
};

TEST_F(Applications, CreatesWordWhenNoneIsRunningAndQuitsItAtTheEnd) {
  ASSERT_TRUE(conv->StartApplication("MS Word", error));
  EXPECT_EQ(error, "untouched");
  EXPECT_TRUE(conv->Applications().Slot(TApplication::Word).Started);
  EXPECT_TRUE(conv->Applications().Slot(TApplication::Word).Created);
  EXPECT_EQ(d.Calls(App::Word), Lines{"Word.Visible put False"});

  // Held: a second request contacts nobody and leaves the text alone.
  EXPECT_TRUE(conv->StartApplication("MS Word", error));
  EXPECT_EQ(error, "untouched");
  EXPECT_EQ(d.Calls(App::Word).size(), 1u);

  Destroy();
  EXPECT_EQ(d.Calls(App::Word), (Lines{"Word.Visible put False", "Word.Quit method"}));
  EXPECT_TRUE(d.WaitForServersToExit());
  EXPECT_EQ(d.LiveObjects(App::Word), Lines{});
}

TEST_F(Applications, BorrowsARunningWordHidesItAndShowsItAgainWithoutQuitting) {
  d.StartRunning(App::Word);
  ASSERT_TRUE(conv->StartApplication("MS Word", error));
  EXPECT_TRUE(conv->Applications().Slot(TApplication::Word).Started);
  EXPECT_FALSE(conv->Applications().Slot(TApplication::Word).Created);
  EXPECT_EQ(d.Calls(App::Word), Lines{"Word.Visible put False"});
  Destroy();
  EXPECT_EQ(d.Calls(App::Word), (Lines{"Word.Visible put False", "Word.Visible put True"}));
  // The converter's reference is gone; only the running registration holds Word.
  EXPECT_EQ(d.LiveObjects(App::Word), Lines{"Word"});
}

TEST_F(Applications, WordProgIdsAreTriedInOrder) {
  d.Unregister("Word.Application");
  d.Register("Word.Application.8", App::Word);
  ASSERT_TRUE(conv->StartApplication("MS Word", error));
  EXPECT_TRUE(conv->Applications().Slot(TApplication::Word).Created);
  EXPECT_EQ(d.Calls(App::Word), Lines{"Word.Visible put False"});
}

TEST_F(Applications, NoWordAtAllIsReportedAndTheNextRequestTriesAgain) {
  d.Unregister("Word.Application");
  EXPECT_FALSE(conv->StartApplication("MS Word", error));
  EXPECT_EQ(error, "Can not load Microsoft Word, you must install Microsoft Word first, please try again!");
  EXPECT_FALSE(conv->Applications().Slot(TApplication::Word).Started);
  EXPECT_EQ(d.Calls(App::Word), Lines{});

  d.Register("Word.Basic", App::Word);  // the last ProgID tried
  error.clear();
  EXPECT_TRUE(conv->StartApplication("MS Word", error));
  EXPECT_TRUE(conv->Applications().Slot(TApplication::Word).Started);
  EXPECT_EQ(error, "");
}

TEST_F(Applications, ApplicationNamesAreExact) {
  for (const char* name : {"ms word", "Word", "MS Excel ", "MS PowerPoint", ""}) {
    EXPECT_FALSE(conv->StartApplication(name, error)) << name;
    EXPECT_EQ(error, "untouched") << name;
  }
  EXPECT_EQ(d.Calls(App::Word), Lines{});
  EXPECT_EQ(d.Calls(App::Excel), Lines{});
  EXPECT_EQ(d.Calls(App::PowerPoint), Lines{});
}

TEST_F(Applications, ExcelIsHiddenAndQuitOrShownAgain) {
  ASSERT_TRUE(conv->StartApplication("MS Excel", error));
  EXPECT_TRUE(conv->Applications().Slot(TApplication::Excel).Created);
  Destroy();
  EXPECT_EQ(d.Calls(App::Excel), (Lines{"Excel.Visible put False", "Excel.Quit method"}));

  conv = std::make_unique<TOfficeConvertClass>();
  d.StartRunning(App::Excel);
  ASSERT_TRUE(conv->StartApplication("MS Excel", error));
  EXPECT_FALSE(conv->Applications().Slot(TApplication::Excel).Created);
  Destroy();
  EXPECT_EQ(d.Calls(App::Excel), (Lines{"Excel.Visible put False", "Excel.Quit method", "Excel.Visible put False",
                                        "Excel.Visible put True"}));
}

TEST_F(Applications, PowerPointIsMinimisedOnlyWhenBorrowed) {
  ASSERT_TRUE(conv->StartApplication("MS Powerpoint", error));
  EXPECT_TRUE(conv->Applications().Slot(TApplication::PowerPoint).Created);
  EXPECT_EQ(d.Calls(App::PowerPoint), Lines{});  // left as it starts
  Destroy();
  EXPECT_EQ(d.Calls(App::PowerPoint), Lines{"PowerPoint.Quit method"});

  conv = std::make_unique<TOfficeConvertClass>();
  d.StartRunning(App::PowerPoint);
  ASSERT_TRUE(conv->StartApplication("MS Powerpoint", error));
  EXPECT_FALSE(conv->Applications().Slot(TApplication::PowerPoint).Created);
  Destroy();
  EXPECT_EQ(d.Calls(App::PowerPoint),
            (Lines{"PowerPoint.Quit method", "PowerPoint.WindowState put 2", "PowerPoint.Visible put True"}));
}

TEST_F(Applications, MissingExcelAndPowerPointAreReported) {
  d.Unregister("Excel.Application");
  d.Unregister("PowerPoint.Application");
  EXPECT_FALSE(conv->StartApplication("MS Excel", error));
  EXPECT_EQ(error, "Can not load Microsoft Excel, you must install Microsoft Excel first, please try again!");
  EXPECT_FALSE(conv->StartApplication("MS Powerpoint", error));
  EXPECT_EQ(error, "Can not load Microsoft PowerPoint, you must install Microsoft PowerPoint first, please try again!");
  EXPECT_FALSE(conv->Applications().Slot(TApplication::Excel).Started);
  EXPECT_FALSE(conv->Applications().Slot(TApplication::PowerPoint).Started);
}

TEST_F(Applications, AcrobatWithoutItsBridgeIsRefusedAndNotHeld) {
  EXPECT_FALSE(conv->StartApplication("Adobe Acrobat", error));
#ifdef _WIN32
  // No Acrobat is installed: the program under the default plug-ins folder cannot be run.
  EXPECT_EQ(error, "Error, Can not run plug_ins\\..\\acrobat.exe");
#else
  // No bridge is registered, and registering it is impossible here.
  EXPECT_EQ(error, "Can not Load plugkit.dll, please try again!");
#endif
  EXPECT_FALSE(conv->Applications().Held(TApplication::Acrobat));
  EXPECT_FALSE(TOfficeApplicationsTestAccess::AcrobatLaunched(conv->Applications()));
  EXPECT_TRUE(conv->Applications().AcrobatBridge().IsEmpty());
}

TEST_F(Applications, AFailedShowAgainDoesNotKeepTheOthersFromClosing) {
  d.Script(App::Word, "Fail=Word.Visible|Word is busy.\n");
  d.StartRunning(App::Word);
  ASSERT_TRUE(conv->StartApplication("MS Word", error));  // the failed hide is ignored
  ASSERT_TRUE(conv->StartApplication("MS Excel", error));
  Destroy();  // and the failed show-again neither throws nor stops the rest
  EXPECT_EQ(d.Calls(App::Word), (Lines{"Word.Visible put False", "Word.Visible put True"}));
  EXPECT_EQ(d.Calls(App::Excel), (Lines{"Excel.Visible put False", "Excel.Quit method"}));
}

TEST_F(Applications, AConverterThatStartedNothingTouchesNothing) {
  Destroy();
  EXPECT_EQ(d.Events(App::Word), Lines{});
  EXPECT_EQ(d.Events(App::Excel), Lines{});
  EXPECT_EQ(d.Events(App::PowerPoint), Lines{});
}

TEST_F(Applications, AServerThatDiesBetweenCallsGivesAnErrorText) {
  ASSERT_TRUE(conv->StartApplication("MS Word", error));
  d.KillServers(App::Word);
  std::string value = "stale";
  error.clear();
  try {
    conv->GetField("destformatlist", "", error, value);
  } catch (const std::exception& e) {
    error = e.what();
  }
  // The text of the failure code that the broken connection gives.
  const std::vector<std::string> texts = {ole::OleErrorText(static_cast<int32_t>(0x80010108u)),   // disconnected
                                          ole::OleErrorText(static_cast<int32_t>(0x800706BAu)),   // server unavailable
                                          ole::OleErrorText(static_cast<int32_t>(0x800706BEu))};  // call failed
  EXPECT_NE(std::find(texts.begin(), texts.end(), error), texts.end()) << error;
#ifndef _WIN32
  EXPECT_EQ(error, "The object invoked has disconnected from its clients.");
#endif
  EXPECT_TRUE(conv->sourceFormats().empty());
  Destroy();  // quitting a dead server is ignored
}

}  // namespace
}  // namespace quillet
