// Attach or create, seen through the entry points: an office that the
// converter started ends when the library is unloaded; one that was
// listening on the well-known pipe before is borrowed and left running.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "LinuxSupport.h"
#include "uno/Connection.h"
#include "uno/LocalContext.h"
#include "uno/OfficeProcess.h"
#include "uno/ProfileSlot.h"

namespace quillet {
namespace {

using namespace std::chrono_literals;
using test::Convert;
using test::Docs;
using test::Work;
namespace uno = office::uno;

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
  const std::string pipe = test::TestPipe();
  uno::ProfileSlot slot = uno::ProfileSlot::Take();
  uno::OfficeProcess users(uno::ProgramFolder() + "/soffice.bin",
                           {"--headless", "--invisible", "--norestore", "--nologo", "--nolockcheck",
                            "--accept=pipe,name=" + pipe + ";urp;",
                            "-env:UserInstallation=file://" + slot.profileFolder()},
                           {"TMPDIR=" + slot.tempFolder()});
  std::unique_ptr<uno::Connection> probe;
  for (int i = 0; i < 3000 && !probe && users.running(); ++i) {
    probe = uno::Connection::TryOpen(pipe);
    if (!probe) std::this_thread::sleep_for(20ms);
  }
  ASSERT_TRUE(probe);
  probe.reset();

  test::Library().Reload();
  ASSERT_EQ(Convert(Docs().words, Out("borrowed.txt"), "2"), "");
  ASSERT_EQ(Convert(Docs().deck, Out("borrowed.txt"), "9999", "MS Powerpoint"), "");
  EXPECT_EQ(test::StartedOffice(), 0);  // attached, not started
  EXPECT_EQ(test::OfficeChildren(), std::vector<int>{users.pid()});
  test::Library().Unload();
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(users.running());

  // The user ends it.
  std::unique_ptr<uno::Connection> mine = uno::Connection::TryOpen(pipe);
  ASSERT_TRUE(mine);
  try {
    mine->desktop()->terminate();
  } catch (const uno::css::uno::Exception&) {
  }
  mine->Dispose();
  EXPECT_TRUE(users.WaitForExit(15s));
}

}  // namespace
}  // namespace quillet
