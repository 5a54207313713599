#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "FakeDesktop.h"
#include "platform/error.h"
#include "sendkeythread/ThreadSendKey.h"

namespace quillet {
namespace {

using os::WindowHandle;
using test::FakeDesktop;
using namespace std::chrono_literals;

constexpr uint32_t kFinishWithinMs = 10000;  // generous bound: a hang fails the test instead of blocking it

class ThreadSendKeyTest : public ::testing::Test {
 protected:
  ThreadSendKeyTest() { desktop->AddProcess(21, "WINWORD.EXE"); }

  // A Word dialog with an OK and a Cancel button; returns the OK button.
  WindowHandle AddWordDialog(const std::string& caption = "Convert File - WordPerfect") {
    const auto dialog = desktop->AddWindow("#32770", caption, 21);
    const auto ok = desktop->AddChild(dialog, "Button", "OK");
    desktop->AddChild(dialog, "Button", "Cancel");
    return ok;
  }

  std::shared_ptr<TThreadSendKey> StartWordJob(int32_t timeoutMs) {
    auto watcher = TThreadSendKey::Create();
    watcher->StartWatch("winword.exe", "WordPerfect", "", "", "button#1", timeoutMs);
    return watcher;
  }

  std::shared_ptr<FakeDesktop> desktop = std::make_shared<FakeDesktop>();
  test::ScopedDesktop installed{desktop};
};

TEST_F(ThreadSendKeyTest, ConstructionDefaults) {
  const auto watcher = TThreadSendKey::Create();
  EXPECT_EQ(watcher->TimeoutMs, 2000);
  EXPECT_TRUE(watcher->Running);
  EXPECT_TRUE(watcher->ExePattern.empty() && watcher->WindowPattern.empty() && watcher->ParentExePattern.empty() &&
              watcher->ParentPattern.empty() && watcher->MacroText.empty());
  EXPECT_FALSE(watcher->Finished());
}

TEST_F(ThreadSendKeyTest, AWindowAlreadyThereIsAnsweredAtTheFirstSearch) {
  const auto ok = AddWordDialog();
  const auto watcher = StartWordJob(60000);
  ASSERT_TRUE(watcher->WaitFor(kFinishWithinMs));
  EXPECT_EQ(desktop->Clicks(ok), 1);
  EXPECT_EQ(desktop->Enumerations(), 1);
  EXPECT_TRUE(watcher->Running);  // answering leaves the flag as it was
  EXPECT_EQ(watcher->Macro.Commands, StringList{"button#1"});
}

TEST_F(ThreadSendKeyTest, TheMacroWaitsUntilTheDialogsThreadHasSetItUp) {
  // The dialog is listed before its controls exist; its thread makes them and
  // only then handles messages sent to it.
  const auto dialog = desktop->AddWindow("#32770", "Convert File - WordPerfect", 21);
  WindowHandle ok = os::NoWindow;
  desktop->OnMessage([&](const FakeDesktop::Sent& s) {
    if (s.window == dialog && s.message == os::WindowMessage::Null && ok == os::NoWindow)
      ok = desktop->AddChild(dialog, "Button", "OK");
  });
  const auto watcher = StartWordJob(60000);
  ASSERT_TRUE(watcher->WaitFor(kFinishWithinMs));
  ASSERT_NE(ok, os::NoWindow);
  EXPECT_EQ(desktop->Clicks(ok), 1);
}

TEST_F(ThreadSendKeyTest, WithoutAWindowTheWatchEndsAtItsTimeLimit) {
  AddWordDialog("Some other dialog");
  const auto start = std::chrono::steady_clock::now();
  const auto watcher = StartWordJob(300);
  ASSERT_TRUE(watcher->WaitFor(kFinishWithinMs));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 299ms);
  EXPECT_FALSE(watcher->Running);
  EXPECT_GE(desktop->Enumerations(), 2);
  EXPECT_EQ(desktop->SentCount(), 0u);
}

TEST_F(ThreadSendKeyTest, TimeLimitZeroMakesExactlyOneSearch) {
  auto watcher = StartWordJob(0);
  ASSERT_TRUE(watcher->WaitFor(kFinishWithinMs));
  EXPECT_EQ(desktop->Enumerations(), 1);
  EXPECT_FALSE(watcher->Running);

  // A window found in the pass in which the time runs out is still answered.
  const auto ok = AddWordDialog();
  watcher = StartWordJob(0);
  ASSERT_TRUE(watcher->WaitFor(kFinishWithinMs));
  EXPECT_EQ(desktop->Enumerations(), 2);
  EXPECT_EQ(desktop->Clicks(ok), 1);
  EXPECT_TRUE(watcher->Running);
}

TEST_F(ThreadSendKeyTest, NegativeTimeLimitWatchesUntilFoundOrStopped) {
  const auto watcher = StartWordJob(-1);
  std::this_thread::sleep_for(400ms);
  EXPECT_FALSE(watcher->Finished());
  const auto ok = AddWordDialog();
  ASSERT_TRUE(watcher->WaitFor(kFinishWithinMs));
  EXPECT_EQ(desktop->Clicks(ok), 1);

  desktop->DestroyWindow(desktop->ParentWindow(ok));
  const auto idle = StartWordJob(-5);
  std::this_thread::sleep_for(200ms);
  EXPECT_FALSE(idle->Finished());
  idle->Running = false;
  ASSERT_TRUE(idle->WaitFor(kFinishWithinMs));
  EXPECT_EQ(desktop->Clicks(ok), 1);
}

TEST_F(ThreadSendKeyTest, ADialogAppearingAfterTheStopRequestIsNotAnswered) {
  const auto watcher = StartWordJob(60000);
  std::this_thread::sleep_for(120ms);
  watcher->Running = false;
  const auto ok = AddWordDialog();
  ASSERT_TRUE(watcher->WaitFor(kFinishWithinMs));
  EXPECT_EQ(desktop->SentCount(), 0u);
  EXPECT_FALSE(watcher->Running);
  EXPECT_EQ(desktop->Clicks(ok), 0);
}

TEST_F(ThreadSendKeyTest, AStopRequestBeforeTheThreadRunsIsKept) {
  const auto ok = AddWordDialog();
  const auto watcher = TThreadSendKey::Create();
  watcher->Running = false;
  watcher->StartWatch("winword.exe", "WordPerfect", "", "", "button#1", 60000);
  ASSERT_TRUE(watcher->WaitFor(kFinishWithinMs));
  EXPECT_EQ(desktop->Clicks(ok), 0);
  EXPECT_FALSE(watcher->Running);
}

TEST_F(ThreadSendKeyTest, OneWatchAnswersOneDialogOnly) {
  const auto first = AddWordDialog();
  const auto second = AddWordDialog();
  // Answering the first dialog raises a third one.
  WindowHandle third = os::NoWindow;
  desktop->OnMessage([&](const FakeDesktop::Sent& s) {
    if (s.window == first && s.message == os::WindowMessage::LButtonUp) third = AddWordDialog();
  });
  const auto watcher = StartWordJob(60000);
  ASSERT_TRUE(watcher->WaitFor(kFinishWithinMs));
  std::this_thread::sleep_for(150ms);  // room for a (wrong) second pass
  EXPECT_EQ(desktop->Clicks(first), 1);
  EXPECT_EQ(desktop->Clicks(second), 0);
  ASSERT_NE(third, os::NoWindow);
  EXPECT_EQ(desktop->SentCount(), 4u);  // the readiness check and one click
  EXPECT_EQ(desktop->Enumerations(), 1);
}

TEST_F(ThreadSendKeyTest, TheCallerMayLetGoFirstOrStopAfterTheThreadEnded) {
  // The caller drops its reference at once: the watch still runs to its end.
  const auto ok = AddWordDialog();
  std::weak_ptr<TThreadSendKey> watched;
  {
    auto watcher = StartWordJob(60000);
    watched = watcher;
  }
  for (int i = 0; i < 1000 && !watched.expired(); ++i) std::this_thread::sleep_for(10ms);
  EXPECT_TRUE(watched.expired());
  EXPECT_EQ(desktop->Clicks(ok), 1);

  // The thread has ended before the caller's stop request: stopping and
  // joining it afterwards are harmless, and the thread's reference is gone.
  desktop->DestroyWindow(desktop->ParentWindow(ok));
  const auto late = StartWordJob(0);
  ASSERT_TRUE(late->WaitFor(kFinishWithinMs));
  late->Stop();
  EXPECT_TRUE(late->Join(kFinishWithinMs));
  EXPECT_EQ(late.use_count(), 1);
  EXPECT_EQ(desktop->Clicks(ok), 1);
}

TEST_F(ThreadSendKeyTest, AStoppedWatchIsJoinedAndLeavesNoThreadBehind) {
  // No time limit and nothing to find: only the stop ends this watch.
  const auto watcher = StartWordJob(-1);
  std::this_thread::sleep_for(120ms);
  EXPECT_FALSE(watcher->Finished());
  watcher->Stop();
  ASSERT_TRUE(watcher->Join(kFinishWithinMs));
  // Joined: the thread has let its reference go and nothing runs any more,
  // so a dialog that appears now is never answered.
  EXPECT_EQ(watcher.use_count(), 1);
  const auto ok = AddWordDialog();
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(desktop->Clicks(ok), 0);
  EXPECT_FALSE(watcher->Running);
  // A second join has nothing left to wait for.
  EXPECT_TRUE(watcher->Join(0));
}

TEST_F(ThreadSendKeyTest, StopOnExitStopsAlsoWhenTheWatchedCallFails) {
  const auto watcher = StartWordJob(-1);
  try {
    StopWatchOnExit stop(watcher);
    throw std::runtime_error("the document could not be opened");
  } catch (const std::runtime_error&) {
  }
  EXPECT_FALSE(watcher->Running);
  EXPECT_TRUE(watcher->WaitFor(kFinishWithinMs));
}

TEST_F(ThreadSendKeyTest, AWatcherStartsOnce) {
  const auto watcher = StartWordJob(0);
  EXPECT_THROW(watcher->StartWatch("", "", "", "", "", 0), Error);
  EXPECT_TRUE(watcher->WaitFor(kFinishWithinMs));
}

TEST_F(ThreadSendKeyTest, WatchersOfSeveralJobsRunSideBySide) {
  desktop->AddProcess(31, "POWERPNT.EXE");
  const auto frame = desktop->AddWindow("PPTFrameClass", "a.ppt - Microsoft PowerPoint", 31);
  const auto password = desktop->AddWindow("#32770", "Password", 31, frame);
  const auto pptOk = desktop->AddChild(password, "Button", "OK");
  const auto wordOk = AddWordDialog();
  auto ppt = TThreadSendKey::Create();
  ppt->StartWatch("", "Password", "", "Microsoft PowerPoint", "button#1", 60000);
  const auto word = StartWordJob(60000);
  ASSERT_TRUE(ppt->WaitFor(kFinishWithinMs));
  ASSERT_TRUE(word->WaitFor(kFinishWithinMs));
  EXPECT_EQ(desktop->Clicks(pptOk), 1);
  EXPECT_EQ(desktop->Clicks(wordOk), 1);
}

}  // namespace
}  // namespace quillet
