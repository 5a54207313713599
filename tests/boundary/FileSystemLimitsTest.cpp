// The file helpers at the edges callers can reach: folder chains of any depth
// and length, and names that are not regular files.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "platform/error.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "utilities/TextLines.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace quillet {
namespace {

const std::string kSep(1, path::kDelimiter);

std::string Chain(const std::string& root, int parts) {
  std::string p = root;
  for (int i = 0; i < parts; ++i) p += kSep + "a";
  return p;
}

TEST(ForceDirectories, MakesADeepChainWithoutRecursingPerPart) {
  test::TempDir dir;
  // As deep as the platform's path length allows: every level is made.
  const size_t room = (path::kDelimiter == '/' ? 4000 : 240) - dir.path().size();
  const std::string deep = Chain(dir.path(), static_cast<int>(room / 2));
  os::ForceDirectories(deep);
  EXPECT_TRUE(os::DirectoryExists(deep));
  // Made already: nothing to do, no failure.
  os::ForceDirectories(deep + kSep);
  EXPECT_TRUE(os::DirectoryExists(deep));
}

TEST(ForceDirectories, RefusesAPathLongerThanTheSystemTakesWithAShortText) {
  test::TempDir dir;
  // Tens of thousands of parts, and a megabyte of them: refused at once, with
  // a message that stays short.
  for (int parts : {40000, 512 * 1024}) {
    const std::string tooLong = Chain(dir.path(), parts);
    const std::string message = test::ErrorOf([&] { os::ForceDirectories(tooLong); });
    EXPECT_EQ(message.rfind("Cannot create the folder " + dir.path().substr(0, 20), 0), 0u) << message.substr(0, 80);
    EXPECT_NE(message.find("...", 25), std::string::npos);
    EXPECT_LT(message.size(), 300u);
  }
  EXPECT_FALSE(os::DirectoryExists(dir / "a"));
}

TEST(Abbreviated, KeepsBothEndsAndNeverSplitsACharacter) {
  EXPECT_EQ(path::Abbreviated("short", 10), "short");
  EXPECT_EQ(path::Abbreviated("abcdefghijklmnop", 10), "abc...mnop");
  EXPECT_EQ(path::Abbreviated("abcdefghijklmnop", 10).size(), 10u);
  // Two-byte characters (é is C3 A9) on both sides of the cut.
  const std::string word = "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9";
  const std::string cut = path::Abbreviated(word, 10);
  EXPECT_LE(cut.size(), 10u);
  EXPECT_EQ(cut, "\xc3\xa9...\xc3\xa9\xc3\xa9");
}

#ifndef _WIN32
TEST(OpenRegularFile, RefusesFifosDevicesAndFoldersWithoutWaiting) {
  test::TempDir dir;
  const std::string fifo = dir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Neither end has a partner: a plain open would block for ever.
  EXPECT_EQ(os::OpenRegularFile(fifo, "wb"), nullptr);
  EXPECT_EQ(os::OpenRegularFile(fifo, "rb"), nullptr);
  EXPECT_EQ(os::OpenRegularFile("/dev/zero", "rb"), nullptr);
  EXPECT_EQ(os::OpenRegularFile(dir.path(), "rb"), nullptr);
  // The text helpers give their usual failures for them.
  EXPECT_EQ(test::ErrorOf([&] { LoadLinesFromFile(fifo); }), "Cannot open file " + fifo);
  EXPECT_EQ(test::ErrorOf([&] { SaveLinesToFile(fifo, {"x"}); }), "Cannot create file " + fifo);
  EXPECT_EQ(test::ErrorOf([] { LoadLinesFromFile("/dev/zero"); }), "Cannot open file /dev/zero");
  // A regular file is read and written as ever, created when missing.
  const std::string file = dir / "plain.txt";
  SaveLinesToFile(file, {"one", "two"});
  EXPECT_EQ(LoadLinesFromFile(file), (StringList{"one", "two"}));
}
#endif

}  // namespace
}  // namespace quillet

#ifdef _WIN32
#include <chrono>
#include <future>
#include <thread>

#include "platform/msgbox.h"

namespace quillet {
namespace {

// Nobody is at this screen (Wine's null display): a box that waited for a
// click would hold the conversion for ever.
TEST(SystemMessageBox, ClosesByItselfAfterItsBound) {
  const uint32_t previous = os::SetMessageBoxTimeoutMs(300);
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> shown = done->get_future();
  std::thread([done] {
    os::ShowSystemMessageBox("File format 99 do not exist!", "Error");
    done->set_value();
  }).detach();
  EXPECT_EQ(shown.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  os::SetMessageBoxTimeoutMs(previous);
}

}  // namespace
}  // namespace quillet
#endif
