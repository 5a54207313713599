// The dialogs the doubles raise inside an open (Windows, under Wine), answered
// by the dialog watcher with the jobs the conversion gives it: the watcher
// must find each window by its criteria and press the button its macro counts.
#include <gtest/gtest.h>

#include <algorithm>

#include "DoublesFixture.h"
#include "sendkeythread/ThreadSendKey.h"

namespace quillet {
namespace {

using ole::Variant;
using test::ErrorOf;

struct Job {
  std::string exe, window, parentExe, parent, macro;
};

class DoubleDialogs : public test::DoublesFixture {
 protected:
  // The transcript's dialog lines of App.
  Lines DialogLines(App app) const {
    Lines lines;
    for (const std::string& line : d.Events(app))
      if (line.rfind("dialog ", 0) == 0) lines.push_back(line);
    return lines;
  }

  // Opens File in App while a watcher runs Job, as the conversion does, and
  // returns the open's error ("(no error)" when it succeeded). Whether the
  // watcher answered, and with which button, the transcript tells.
  std::string OpenWatched(App app, const std::string& file, const Job& job) {
    auto watcher = TThreadSendKey::Create();
    watcher->StartWatch(job.exe, job.window, job.parentExe, job.parent, job.macro, 60000);
    std::string error;
    {
      StopWatchOnExit stop(watcher);
      error = ErrorOf([&] { EXPECT_EQ(Open(app, file).Get("Name").AsString(), file); });
    }
    // Stopped by the open's end, the watcher finishes at most one pass later.
    EXPECT_TRUE(watcher->WaitFor(10000)) << "the watch did not end";
    return error;
  }
};

TEST_F(DoubleDialogs, WordJobPressesTheConverterDialogsFirstButton) {
  d.Script(App::Word, "Dialog=WordPerfect\n");
  EXPECT_EQ(OpenWatched(App::Word, "a.wpd", {"winword.exe", "WordPerfect", "", "", "button#1"}), "(no error)");
  EXPECT_EQ(OpenWatched(App::Word, "b.wpd", {"WINWORD.EXE", "Convert File", "", "", "button#2"}), "(no error)");
  EXPECT_EQ(DialogLines(App::Word), (Lines{"dialog Convert File - WordPerfect 5.x pressed OK",
                                           "dialog Convert File - WordPerfect 5.x pressed Cancel"}));
  // The open waits for the dialog: its line comes before the document is made.
  const Lines events = d.Events(App::Word);
  const auto open =
      std::find(events.begin(), events.end(), "call Word.Documents.Open method \"" + (files / "a.wpd") + "\"");
  ASSERT_NE(open, events.end());
  ASSERT_LT(open + 2, events.end());
  EXPECT_EQ(*(open + 1), "dialog Convert File - WordPerfect 5.x pressed OK");
  EXPECT_EQ(*(open + 2), "new Word.Document(a.wpd)");
}

TEST_F(DoubleDialogs, ExcelJobPressesTheSecondOfTheVisualBasicButtons) {
  d.Script(App::Excel, "Dialog=Microsoft Visual Basic\n");
  for (const char* macro : {"button#2", "button#3", "button(Continue)"})
    EXPECT_EQ(
        OpenWatched(App::Excel, std::string(macro) + ".xls", {"excel.exe", "Microsoft Visual Basic", "", "", macro}),
        "(no error)");
  EXPECT_EQ(DialogLines(App::Excel),
            (Lines{"dialog Microsoft Visual Basic pressed End", "dialog Microsoft Visual Basic pressed Debug",
                   "dialog Microsoft Visual Basic pressed Continue"}));
}

TEST_F(DoubleDialogs, PowerPointJobFindsThePasswordPromptThroughItsFrame) {
  d.Script(App::PowerPoint, "Dialog=Password\n");
  EXPECT_EQ(OpenWatched(App::PowerPoint, "deck.ppt", {"", "Password", "", "Microsoft PowerPoint", "button#1"}),
            "(no error)");
  // The frame is captioned with the presentation's file name.
  EXPECT_EQ(OpenWatched(App::PowerPoint, "sales.ppt",
                        {"powerpnt.exe", "Password", "powerpnt.exe", "sales.ppt - Microsoft PowerPoint",
                         "edit#1=zv\r\nbutton#2"}),
            "(no error)");
  EXPECT_EQ(DialogLines(App::PowerPoint), (Lines{"dialog Password pressed OK", "dialog Password pressed Cancel"}));
}

TEST_F(DoubleDialogs, DialogNobodyAnswersClosesItselfAndFailsTheOpen) {
  d.Script(App::Word, "Dialog=WordPerfect\nDialogTimeoutMs=300\n");
  d.Script(App::PowerPoint, "Dialog=Password\nDialogTimeoutMs=300\n");
  const std::string unanswered = "Nobody answered the dialog Convert File - WordPerfect 5.x";
  EXPECT_EQ(ErrorOf([&] { Open(App::Word, "a.wpd"); }), unanswered);
  // A job for another application's window leaves the dialog alone.
  EXPECT_EQ(OpenWatched(App::Word, "b.wpd", {"excel.exe", "WordPerfect", "", "", "button#1"}), unanswered);
  EXPECT_EQ(DialogLines(App::Word), (Lines{"dialog Convert File - WordPerfect 5.x timed out",
                                           "dialog Convert File - WordPerfect 5.x timed out"}));
  EXPECT_EQ(OpenWatched(App::PowerPoint, "deck.ppt", {"", "Password", "", "Microsoft Word", "button#1"}),
            "Nobody answered the dialog Password");
  EXPECT_EQ(DialogLines(App::PowerPoint), Lines{"dialog Password timed out"});
  // No document was made by the failed opens.
  for (const std::string& object : d.LiveObjects(App::Word))
    EXPECT_EQ(object.find("Word.Document("), std::string::npos) << object;
}

}  // namespace
}  // namespace quillet
