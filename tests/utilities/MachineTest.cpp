#include <gtest/gtest.h>

#include "Probe.h"
#include "TestSupport.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/printer.h"
#include "platform/sysinfo.h"
#include "utilities/SysUtils.h"

namespace quillet {
namespace {

using test::MessageBoxRecorder;

TEST(Folders, TempFolderExistsAndEndsWithADelimiter) {
  const std::string temp = GetTempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), path::kDelimiter);
  EXPECT_TRUE(os::DirectoryExists(temp));
}

TEST(Folders, SystemFolderExistsAndEndsWithADelimiter) {
  const std::string system = GetSystemFolder();
  ASSERT_GT(system.size(), 1u);
  EXPECT_EQ(system.back(), path::kDelimiter);
  EXPECT_NE(system[system.size() - 2], path::kDelimiter);
  EXPECT_TRUE(os::DirectoryExists(system));
}

TEST(Folders, TheExecutableFolderHoldsThisProgram) {
  const std::string folder = os::ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), path::kDelimiter);
  EXPECT_TRUE(os::DirectoryExists(folder));
  // This test program's own file is in it.
#ifdef _WIN32
  EXPECT_TRUE(os::FileExists(folder + "utilities_tests.exe"));
#else
  EXPECT_TRUE(os::FileExists(folder + "utilities_tests"));
#endif
}

TEST(FileVersion, FalseForAnEmptyPathAndAFileWithoutAVersion) {
  uint16_t major = 77, minor = 77, release = 77, build = 77;
  EXPECT_FALSE(GetFileVersionNumbers("", major, minor, release, build));
  // The probe program carries no version resource.
  EXPECT_FALSE(GetFileVersionNumbers(test::ProbeBuildPath(), major, minor, release, build));
  test::TempDir dir;
  test::WriteFile(dir / "plain.dll", "not an executable");
  EXPECT_FALSE(GetFileVersionNumbers(dir / "plain.dll", major, minor, release, build));
  EXPECT_EQ(major + minor + release + build, 4 * 77);
}

#ifdef _WIN32
TEST(FileVersion, ReadsASystemLibrary) {
  uint16_t major = 0, minor = 0, release = 0, build = 0;
  ASSERT_TRUE(GetFileVersionNumbers(GetSystemFolder() + "kernel32.dll", major, minor, release, build));
  // Every Windows release this runs on, and Wine, puts 5 to 10 here.
  EXPECT_GE(major, 5);
  EXPECT_LE(major, 10);
  EXPECT_NE(uint32_t(minor) + release + build, 0u);
}
#endif

TEST(Printer, AnEmptyNameOpensNothing) {
  os::Printer printer("");
  EXPECT_FALSE(printer.IsOpen());
  EXPECT_NE(printer.OpenError(), 0u);
  MessageBoxRecorder boxes;
  EXPECT_EQ(GetPrinterJobCount(printer), -1);
  const auto shown = boxes.boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_FALSE(shown[0].text.empty());
}

TEST(Printer, AMissingQueueCannotBeRead) {
  os::Printer printer("quillet missing printer 4711");
#ifdef _WIN32
  // The spooler refuses to open it.
  EXPECT_FALSE(printer.IsOpen());
  EXPECT_NE(printer.OpenError(), 0u);
#else
  // Only a name on Linux; the print server (or its absence) answers later.
  EXPECT_TRUE(printer.IsOpen());
#endif
  MessageBoxRecorder boxes;
  EXPECT_EQ(GetPrinterJobCount(printer), -1);
  const auto shown = boxes.boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_FALSE(shown[0].text.empty());
}

TEST(Printer, MovingHandsTheQueueOver) {
  os::Printer first("queue one");
  os::Printer second(std::move(first));
  EXPECT_FALSE(first.IsOpen());
  EXPECT_EQ(second.Name(), "queue one");
  os::Printer third;
  EXPECT_FALSE(third.IsOpen());
  third = std::move(second);
  EXPECT_FALSE(second.IsOpen());
  EXPECT_EQ(third.Name(), "queue one");
#ifndef _WIN32
  EXPECT_TRUE(third.IsOpen());
#endif
}

}  // namespace
}  // namespace quillet
