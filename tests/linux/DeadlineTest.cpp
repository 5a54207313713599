// The deadline of a request bounds the start of its office too: an office
// that stops answering while it starts is ended when the deadline passes, and
// one that dies while it starts fails the request at once, as an office that
// ended, not as one that took too long. So is attaching to the user's office
// bounded: one that stopped before the request came is given up at the
// deadline, and left running.
#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <memory>
#include <thread>

#include "LinuxSupport.h"

namespace quillet {
namespace {

using namespace std::chrono_literals;
using test::Convert;
using test::Docs;
using test::Work;

// Sends Signal to the first office of this program that appears from now on,
// the moment it appears (while it starts).
class OnOfficeStart {
 public:
  explicit OnOfficeStart(int signal)
      : watch_([this, signal] {
          while (!stop_) {
            if (const std::vector<int> offices = test::OfficeChildren(); !offices.empty()) {
              pid_ = offices.front();
              ::kill(pid_, signal);
              return;
            }
            std::this_thread::sleep_for(1ms);
          }
        }) {}
  ~OnOfficeStart() {
    stop_ = true;
    watch_.join();
  }
  // The office signalled, 0 before.
  int pid() const { return pid_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> pid_{0};
  std::thread watch_;
};

class Deadline : public ::testing::Test {
 protected:
  void SetUp() override {
    Docs();
    // No office: the next request starts one.
    test::Library().Reload();
    ASSERT_EQ(test::OfficeChildren(), std::vector<int>{});
  }
  void TearDown() override { test::Library().Reload(); }
  static std::string Out(const std::string& name) { return Work() / name; }
  static double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
};

// The office's own start wait is a minute: a request that ends within a few
// seconds of a one-second deadline was bounded by the deadline.
TEST_F(Deadline, AnOfficeStoppedWhileStartingIsEndedWhenTheDeadlinePasses) {
  OnOfficeStart stop(SIGSTOP);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Convert(Docs().words, Out("stopped-starting.txt"), "2", "MS Word TIMEOUT=1"),
            "The document took longer than its deadline of 1 seconds: Microsoft Word was ended");
  EXPECT_LT(SecondsSince(start), 6.0);
  ASSERT_GT(stop.pid(), 0);
  EXPECT_TRUE(test::GoneWithin(stop.pid(), 5000));
  EXPECT_FALSE(std::filesystem::exists(Out("stopped-starting.txt")));
}

TEST_F(Deadline, AnOfficeKilledWhileStartingFailsTheRequestAtOnceAsEnded) {
  OnOfficeStart kill(SIGKILL);
  const auto start = std::chrono::steady_clock::now();
  const std::string error = Convert(Docs().words, Out("killed-starting.txt"), "2", "MS Word TIMEOUT=30");
  // At once: long before the deadline.
  EXPECT_LT(SecondsSince(start), 10.0);
  ASSERT_GT(kill.pid(), 0);
  // Its own reason, not the deadline.
  EXPECT_EQ(error, "LibreOffice ended while starting: killed by signal 9");
  EXPECT_FALSE(std::filesystem::exists(Out("killed-starting.txt")));
}

TEST_F(Deadline, AStoppedOfficeOfTheUsersIsGivenUpWhileAttachingAndNotUsedAgain) {
  // A pipe of its own: an office given up on another pipe before (by
  // another test) would not be attached to at all.
  const std::string pipe = test::TestPipe() + "-stopped";
  ::setenv("QUILLET_OFFICE_PIPE", pipe.c_str(), 1);
  const std::unique_ptr<const std::string, void (*)(const std::string*)> restore(
      &pipe, [](const std::string*) { ::setenv("QUILLET_OFFICE_PIPE", test::TestPipe().c_str(), 1); });
  test::Library().Unload();
  test::UsersOffice users(pipe);
  test::Library().Reload();
  ASSERT_EQ(::kill(users.pid(), SIGSTOP), 0);

  // Bounded here too: should the attach not be released, the office is
  // killed after a minute, which releases it, and the request fails late.
  auto request = std::async(std::launch::async, [] {
    const auto start = std::chrono::steady_clock::now();
    std::string error = Convert(Docs().words, Out("attach-stopped.txt"), "2", "MS Word TIMEOUT=3");
    return std::make_pair(error, SecondsSince(start));
  });
  if (request.wait_for(60s) != std::future_status::ready) {
    ::kill(users.pid(), SIGKILL);
    ADD_FAILURE() << "the attach to a stopped office was not released by the deadline";
  }
  const auto [error, seconds] = request.get();
  EXPECT_EQ(error,
            "The document took longer than its deadline of 3 seconds: Microsoft Word does not answer and is no "
            "longer used; it was not started by the converter");
  EXPECT_LT(seconds, 8.0);
  EXPECT_FALSE(std::filesystem::exists(Out("attach-stopped.txt")));
  // The user's office is let be: it runs on once the user lets it.
  ASSERT_TRUE(users.running());
  ASSERT_EQ(::kill(users.pid(), SIGCONT), 0);

  // The next request is served by an office of the converter's own.
  ASSERT_EQ(Convert(Docs().words, Out("attach-after.txt"), "2", "MS Word TIMEOUT=30"), "");
  EXPECT_EQ(test::ReadFile(Out("attach-after.txt")), test::kWordsFirst + "\r\n" + test::kWordsSecond + "\r\n");
  const int own = test::StartedOffice();
  EXPECT_GT(own, 0);
  EXPECT_NE(own, users.pid());
  test::Library().Unload();
  EXPECT_TRUE(users.Terminate());
}

}  // namespace
}  // namespace quillet
