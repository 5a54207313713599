#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "TestSupport.h"
#include "exports/SaveReport.h"
#include "exports/StringBlock.h"
#include "platform/error.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace quillet {
namespace {

TEST(SaveReport, CreatesTheFolderChainAndWritesCrLfLines) {
  test::TempDir dir;
  const std::string file = dir / "a" + path::kDelimiter + "b" + path::kDelimiter + "report.txt";
  ASSERT_TRUE(SaveReport(file, "line one\r\nline two\nthree"));
  EXPECT_EQ(test::ReadFile(file), "line one\r\nline two\r\nthree\r\n");
}

TEST(SaveReport, EmptyReportGivesAnEmptyFileReplacingAnOldOne) {
  test::TempDir dir;
  const std::string file = dir / "report.txt";
  test::WriteFile(file, "old content");
  ASSERT_TRUE(SaveReport(file, ""));
  EXPECT_TRUE(os::FileExists(file));
  EXPECT_EQ(test::ReadFile(file), "");
}

TEST(SaveReport, BareNameGoesIntoTheCurrentFolder) {
  test::TempDir dir;
  const std::string cwd = os::GetCurrentDir();
  ASSERT_TRUE(os::SetCurrentDir(dir.path()));
  const bool ok = SaveReport("bare-report.txt", "x");
  os::SetCurrentDir(cwd);
  EXPECT_TRUE(ok);
  EXPECT_EQ(test::ReadFile(dir / "bare-report.txt"), "x\r\n");
}

TEST(SaveReport, EmptyNameAndUncreatableFolderRaise) {
  test::TempDir dir;
  EXPECT_THROW(SaveReport("", "x"), Error);
  // A file stands where the report's folder should be.
  test::WriteFile(dir / "blocker", "x");
  EXPECT_THROW(SaveReport(dir / "blocker" + path::kDelimiter + "r.txt", "x"), Error);
}

TEST(SaveReport, WriteFailureGivesFalse) {
  test::TempDir dir;
  ASSERT_NO_THROW(os::ForceDirectories(dir / "taken"));
  // The report name is an existing folder: the folder part exists, the write fails.
  EXPECT_FALSE(SaveReport(dir / "taken", "x"));
}

TEST(StringBlock, KeepsItsLengthInFrontAndReleasesOnlyOwnBlocks) {
  char* block = AllocStringBlock("hello");
  uint32_t size = 0;
  std::memcpy(&size, block - 4, 4);
  EXPECT_EQ(size, 5u);
  EXPECT_STREQ(block, "hello");
  EXPECT_NO_THROW(FreeStringBlock(block));
  char foreign[8] = "abc";
  EXPECT_THROW(FreeStringBlock(foreign), Error);
  EXPECT_NO_THROW(FreeStringBlock(nullptr));
  char* empty = AllocStringBlock("");
  EXPECT_STREQ(empty, "");
  FreeStringBlock(empty);
  EXPECT_THROW(FreeStringBlock(empty), Error);  // a second release is refused, not a double free
}

}  // namespace
}  // namespace quillet
