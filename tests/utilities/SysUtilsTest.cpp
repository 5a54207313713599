#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/error.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "utilities/SysUtils.h"

namespace quillet {
namespace {

using test::ReadFile;
using test::TempDir;

TEST(ParseVersionNumber, ReadsTheFirstRunOfDigits) {
  EXPECT_EQ(ParseVersionNumber("9.0"), 9);
  EXPECT_EQ(ParseVersionNumber("10.0"), 10);
  EXPECT_EQ(ParseVersionNumber("Version 11"), 11);
  EXPECT_EQ(ParseVersionNumber("12abc34"), 12);
  EXPECT_EQ(ParseVersionNumber("v007-2"), 7);
  EXPECT_EQ(ParseVersionNumber("2147483647"), 2147483647);
}

TEST(ParseVersionNumber, IsMinusOneWithoutDigits) {
  EXPECT_EQ(ParseVersionNumber(""), -1);
  EXPECT_EQ(ParseVersionNumber("abc"), -1);
  EXPECT_EQ(ParseVersionNumber("-."), -1);
}

TEST(ParseVersionNumber, RaisesTheConversionErrorWhenTheDigitsDoNotFit) {
  EXPECT_EQ(test::ErrorOf([] { ParseVersionNumber("Build 99999999999.1"); }),
            "'99999999999' is not a valid integer value");
  EXPECT_THROW(ParseVersionNumber("2147483648"), Error);
}

TEST(SaveTextToFile, EndsEveryLineWithCrLf) {
  TempDir dir;
  const std::string file = dir / "out.txt";
  ASSERT_TRUE(SaveTextToFile(file, "abc"));
  EXPECT_EQ(ReadFile(file), "abc\r\n");

  ASSERT_TRUE(SaveTextToFile(file, "a\r\nb\nc\rd\n\n"));
  EXPECT_EQ(ReadFile(file), "a\r\nb\r\nc\r\nd\r\n\r\n");

  // Other bytes pass unchanged, a NUL included.
  ASSERT_TRUE(SaveTextToFile(file, std::string("x\0y\xE4", 4)));
  EXPECT_EQ(ReadFile(file), std::string("x\0y\xE4\r\n", 6));

  ASSERT_TRUE(SaveTextToFile(file, ""));
  EXPECT_TRUE(os::FileExists(file));
  EXPECT_EQ(ReadFile(file), "");
}

TEST(SaveTextToFile, ReplacesALongerFile) {
  TempDir dir;
  const std::string file = dir / "out.txt";
  test::WriteFile(file, std::string(100, 'z'));
  ASSERT_TRUE(SaveTextToFile(file, "short"));
  EXPECT_EQ(ReadFile(file), "short\r\n");
}

TEST(SaveTextToFile, CreatesMissingFolders) {
  TempDir dir;
  const std::string folder = dir / "one" + path::kDelimiter + "two";
  const std::string file = path::IncludeTrailingDelimiter(folder) + "t.txt";
  ASSERT_TRUE(SaveTextToFile(file, "line"));
  EXPECT_TRUE(os::DirectoryExists(folder));
  EXPECT_EQ(ReadFile(file), "line\r\n");
}

TEST(SaveTextToFile, FailsWhenTheFileCannotBeWritten) {
  TempDir dir;
  // The name is taken by a folder.
  const std::string taken = dir / "taken";
  os::ForceDirectories(taken);
  EXPECT_FALSE(SaveTextToFile(taken, "abc"));
  EXPECT_TRUE(os::DirectoryExists(taken));
}

TEST(SaveTextToFile, PassesAFolderCreationErrorOn) {
  TempDir dir;
  // A file stands where a folder would have to be made.
  const std::string blocker = dir / "blocker";
  test::WriteFile(blocker, "x");
  const std::string file = blocker + path::kDelimiter + "sub" + path::kDelimiter + "t.txt";
  EXPECT_THROW(SaveTextToFile(file, "abc"), Error);
  EXPECT_EQ(ReadFile(blocker), "x");
}

}  // namespace
}  // namespace quillet
