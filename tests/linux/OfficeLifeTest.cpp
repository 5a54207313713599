// Attach or create, seen through the entry points: an office that the
// converter started ends when the library is unloaded; one that was
// listening on the well-known pipe before is borrowed and left running.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "LinuxSupport.h"

namespace quillet {
namespace {

using namespace std::chrono_literals;
using test::Convert;
using test::Docs;
using test::Work;

class OfficeLife : public ::testing::Test {
 protected:
  void SetUp() override { Docs(); }
  void TearDown() override {
    // Later tests find a loaded library.
    test::Library().Reload();
  }
  static std::string Out(const std::string& name) { return Work() / name; }
};

TEST_F(OfficeLife, AnOfficeTheConverterStartedEndsAtUnload) {
  test::Library().Reload();
  ASSERT_EQ(Convert(Docs().words, Out("created.txt"), "2"), "");
  ASSERT_EQ(Convert(Docs().cells, Out("created.csv"), "6", "MS Excel"), "");
  const int office = test::StartedOffice();
  ASSERT_GT(office, 0);
  EXPECT_EQ(test::OfficeChildren(), std::vector<int>{office});  // one office for Word and Excel
  test::Library().Unload();
  EXPECT_TRUE(test::GoneWithin(office, 15000));
  EXPECT_EQ(test::OfficeChildren(), std::vector<int>{});
}

TEST_F(OfficeLife, AnOfficeIsRecycledBetweenDocumentsAfterItsNumberOfThem) {
  test::Library().Reload();  // an office that has loaded nothing yet
  ::setenv("QUILLET_OFFICE_RECYCLE_DOCUMENTS", "2", 1);
  std::vector<int> offices;
  for (int n = 0; n < 5; ++n) {
    const std::string dest = Out("recycled" + std::to_string(n) + ".txt");
    ASSERT_EQ(Convert(Docs().words, dest, "2"), "") << n;
    EXPECT_EQ(test::ReadFile(dest), test::ReadFile(Out("recycled0.txt")));
    offices.push_back(test::StartedOffice());
  }
  ::unsetenv("QUILLET_OFFICE_RECYCLE_DOCUMENTS");
  // Two documents per office: the third and the fifth start a fresh one, and
  // the office given up has gone.
  EXPECT_EQ(offices[0], offices[1]);
  EXPECT_NE(offices[2], offices[1]);
  EXPECT_EQ(offices[2], offices[3]);
  EXPECT_NE(offices[4], offices[3]);
  EXPECT_TRUE(test::GoneWithin(offices[0], 15000));
  EXPECT_EQ(test::OfficeChildren(), std::vector<int>{offices[4]});
}

TEST_F(OfficeLife, AnOfficeListeningBeforeIsBorrowedAndOutlivesUnload) {
  test::Library().Unload();
  test::UsersOffice users(test::TestPipe());
  test::Library().Reload();
  ASSERT_EQ(Convert(Docs().words, Out("borrowed.txt"), "2"), "");
  ASSERT_EQ(Convert(Docs().deck, Out("borrowed.txt"), "9999", "MS Powerpoint"), "");
  EXPECT_EQ(test::StartedOffice(), 0);  // attached, not started
  EXPECT_EQ(test::OfficeChildren(), std::vector<int>{users.pid()});
  test::Library().Unload();
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(users.running());

  // The user ends it.
  EXPECT_TRUE(users.Terminate());
}

TEST_F(OfficeLife, ABorrowedOfficeThatStopsAnsweringIsLeftAliveAndNoLongerUsed) {
  test::Library().Unload();
  test::UsersOffice users(test::TestPipe());
  test::Library().Reload();
  ASSERT_EQ(Convert(Docs().words, Out("borrowed-first.txt"), "2"), "");
  ASSERT_EQ(test::StartedOffice(), 0);
  ASSERT_EQ(::kill(users.pid(), SIGSTOP), 0);
  EXPECT_EQ(Convert(Docs().words, Out("borrowed-stopped.txt"), "2", "MS Word TIMEOUT=2"),
            "The document took longer than its deadline of 2 seconds: Microsoft Word does not answer and is no "
            "longer used; it was not started by the converter");
  EXPECT_FALSE(std::filesystem::exists(Out("borrowed-stopped.txt")));
  // Not ended: it answers again once the user lets it go on.
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(users.running());
  ASSERT_EQ(::kill(users.pid(), SIGCONT), 0);

  // The next file goes to an office of the converter's own, not back to the
  // one that failed.
  ASSERT_EQ(Convert(Docs().words, Out("borrowed-after.txt"), "2"), "");
  EXPECT_EQ(test::ReadFile(Out("borrowed-after.txt")), test::ReadFile(Out("borrowed-first.txt")));
  const int own = test::StartedOffice();
  EXPECT_GT(own, 0);
  EXPECT_NE(own, users.pid());
  test::Library().Unload();
  EXPECT_TRUE(test::GoneWithin(own, 15000));
  EXPECT_TRUE(users.running());
  EXPECT_TRUE(users.Terminate());
}

}  // namespace
}  // namespace quillet
