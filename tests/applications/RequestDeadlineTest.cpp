// The deadline of a request on its own: what it releases when it passes, what
// it then says became of the request (code and text), and the application it
// gives up, against the application doubles and the format library double.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "DoubleControl.h"
#include "TestSupport.h"
#include "applications/OfficeApplications.h"
#include "applications/RequestDeadline.h"
#include "platform/status.h"

namespace quillet {
namespace {

using doubles::App;
namespace fs = std::filesystem;

size_t Starts(const std::vector<std::string>& calls) {
  size_t n = 0;
  for (const std::string& call : calls) n += call == "Word.Visible put False";
  return n;
}

class RequestDeadline : public ::testing::Test {
 protected:
  RequestDeadline() { test::WriteFile(dest, "an older result"); }
  ~RequestDeadline() override { apps.CloseApplications(); }

  // Word's answer to a call the converter's thread makes, as a route keeps it.
  Status AskWord() {
    return Capture([&] { apps.Slot(TApplication::Word).Object.Get("Version"); });
  }

  doubles::Doubles d;
  test::TempDir dir;
  const std::string dest = dir / "a.txt";
  TOfficeApplications apps;
};

TEST_F(RequestDeadline, AWordThatHangsIsEndedGivenUpAndItsResultDeleted) {
  d.Script(App::Word, "Hang=Word.Version\n");
  ASSERT_TRUE(apps.StartWord().ok());
  const auto start = std::chrono::steady_clock::now();
  TRequestDeadline deadline(apps, 1);
  deadline.WaitOn(TApplication::Word);
  const Status asked = AskWord();
  // Without the deadline the call would never return.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_FALSE(asked.ok());
  EXPECT_TRUE(deadline.Expired());
  deadline.Disarm();

  const Status outcome = deadline.Outcome(dest, asked);
  EXPECT_EQ(outcome.code(), ErrorCode::Deadline);
  EXPECT_EQ(outcome.message(), "The document took longer than its deadline of 1 seconds: Microsoft Word was ended");
  EXPECT_FALSE(fs::exists(dest));
  EXPECT_FALSE(apps.Held(TApplication::Word));

  // The next request gets a Word of its own.
  d.Script(App::Word, "");
  ASSERT_TRUE(apps.StartWord().ok());
  EXPECT_TRUE(apps.Slot(TApplication::Word).Created);
  EXPECT_TRUE(AskWord().ok());
  EXPECT_EQ(Starts(d.Calls(App::Word)), 2u);
}

TEST_F(RequestDeadline, AFormatLibraryThatHangsIsStopped) {
  doubles::UseFormatBridge("full");
  test::WriteFile(d.dir() + "/fmtbridge.hang", "");
  ASSERT_TRUE(apps.LoadFormatBridge().ok());
  TRequestDeadline deadline(apps, 1);
  deadline.WaitOn(TApplication::NoWord);
  char error[1024] = "";
  apps.NoWordConvert((dir / "a.doc").c_str(), "", dest.c_str(), "2", error);
  deadline.Disarm();

  const Status outcome = deadline.Outcome(dest, Status::Failed(error));
  EXPECT_EQ(outcome.code(), ErrorCode::Deadline);
  EXPECT_EQ(outcome.message(),
            "The document took longer than its deadline of 1 seconds: the format library's conversion was stopped");
  EXPECT_FALSE(fs::exists(dest));
  // The library itself is kept: it ended its conversion and answers the next.
  EXPECT_TRUE(apps.Held(TApplication::NoWord));
}

TEST_F(RequestDeadline, APassedDeadlineThatStoppedNothingLeavesTheRequestItsOwnResult) {
  // A request that waits on no application, and no library that can be told
  // to stop: nothing was released, and the request ended by itself.
  TRequestDeadline deadline(apps, 1);
  deadline.WaitOn(std::nullopt);
  for (int i = 0; i < 100 && !deadline.Expired(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(deadline.Expired());
  EXPECT_TRUE(deadline.Outcome(dest, std::nullopt).ok());
  EXPECT_EQ(test::ReadFile(dest), "an older result");
}

TEST_F(RequestDeadline, AWordThatDiedUnderTheRouteIsGivenUpAndNamedWithTheRoutesReason) {
  ASSERT_TRUE(apps.StartWord().ok());
  TRequestDeadline deadline(apps, 60);
  deadline.WaitOn(TApplication::Word);
  d.KillServers(App::Word);
  const Status asked = AskWord();
  ASSERT_FALSE(asked.ok());
  deadline.Disarm();
  EXPECT_FALSE(deadline.Expired());

  const Status outcome = deadline.Outcome(dest, asked);
  EXPECT_EQ(outcome.code(), ErrorCode::ApplicationEnded);
  EXPECT_EQ(outcome.message(), "Microsoft Word ended during the conversion: " + asked.message());
  EXPECT_FALSE(apps.Held(TApplication::Word));
  // Not the deadline's: what was written stays for the request to judge.
  EXPECT_EQ(test::ReadFile(dest), "an older result");
}

TEST_F(RequestDeadline, AFailedRouteOfAWordThatLivesOrNoRouteAtAllIsTheRequestsOwn) {
  ASSERT_TRUE(apps.StartWord().ok());
  TRequestDeadline deadline(apps, 60);
  deadline.WaitOn(TApplication::Word);
  EXPECT_TRUE(deadline.Outcome(dest, Status::Failed("The document is damaged.")).ok());
  EXPECT_TRUE(deadline.Outcome(dest, std::nullopt).ok());
  EXPECT_TRUE(apps.Held(TApplication::Word));
  EXPECT_TRUE(AskWord().ok());
  EXPECT_EQ(test::ReadFile(dest), "an older result");
}

}  // namespace
}  // namespace quillet
