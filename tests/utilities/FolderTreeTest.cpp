#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "TestSupport.h"
#include "platform/error.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "utilities/SysUtils.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillet {
namespace {

using test::MessageBoxRecorder;
using test::TempDir;

std::string Join(const std::string& folder, const std::string& name) {
  return path::IncludeTrailingDelimiter(folder) + name;
}

// Enters a folder for one test and comes back, so a test that changes the
// current folder cannot leak it into the next.
class CurrentDirScope {
 public:
  explicit CurrentDirScope(const std::string& dir) : saved_(os::GetCurrentDir()) {
    EXPECT_TRUE(os::SetCurrentDir(dir));
  }
  ~CurrentDirScope() { os::SetCurrentDir(saved_); }

 private:
  std::string saved_;
};

// The system's reason for a folder that still holds entries.
std::string NotEmptyMessage() {
#ifdef _WIN32
  return os::SysErrorMessage(145);  // ERROR_DIR_NOT_EMPTY
#else
  return os::SysErrorMessage(ENOTEMPTY);
#endif
}

TEST(DeleteFolderTree, DeletesNestedFoldersWithReadOnlyAndHiddenEntries) {
  TempDir dir;
  const std::string root = dir / "tree";
  const std::string deep = Join(Join(root, "sub"), "deeper");
  os::ForceDirectories(deep);
  os::ForceDirectories(Join(root, "empty"));
  test::WriteFile(Join(root, "top.txt"), "1");
  test::WriteFile(Join(root, "locked.txt"), "2");
  ASSERT_TRUE(os::SetFileAttributes(Join(root, "locked.txt"), os::kAttrReadOnly));
  test::WriteFile(Join(deep, "locked.txt"), "3");
  ASSERT_TRUE(os::SetFileAttributes(Join(deep, "locked.txt"), os::kAttrReadOnly));
#ifdef _WIN32
  test::WriteFile(Join(deep, "hidden.txt"), "4");
  ASSERT_TRUE(os::SetFileAttributes(Join(deep, "hidden.txt"), os::kAttrHidden | os::kAttrSysFile));
#else
  test::WriteFile(Join(deep, ".hidden"), "4");
#endif
  // A read-only folder: its entries and itself must go all the same.
  ASSERT_TRUE(os::SetFileAttributes(Join(root, "sub"), os::kAttrReadOnly));

  MessageBoxRecorder boxes;
  const std::string before = os::GetCurrentDir();
  EXPECT_TRUE(DeleteFolderTree(root));
  EXPECT_FALSE(os::DirectoryExists(root));
  EXPECT_TRUE(os::DirectoryExists(dir.path()));
  EXPECT_EQ(os::GetCurrentDir(), before);
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST(DeleteFolderTree, IsFalseWithoutABoxForAMissingFolder) {
  TempDir dir;
  MessageBoxRecorder boxes;
  EXPECT_FALSE(DeleteFolderTree(dir / "missing"));
  EXPECT_FALSE(DeleteFolderTree(""));
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST(DeleteFolderTree, TakesARelativePathOfSeveralParts) {
  TempDir dir;
  os::ForceDirectories(Join(dir / "a", "b"));
  test::WriteFile(Join(Join(dir / "a", "b"), "f.txt"), "x");
  CurrentDirScope scope(dir.path());
  const std::string before = os::GetCurrentDir();
  EXPECT_TRUE(DeleteFolderTree(std::string("a") + path::kDelimiter + "b"));
  EXPECT_FALSE(os::DirectoryExists(Join(dir / "a", "b")));
  EXPECT_TRUE(os::DirectoryExists(dir / "a"));
  EXPECT_EQ(os::GetCurrentDir(), before);
}

TEST(DeleteFolderTree, LeavesDottedSubfoldersAndReportsTheFolderOnce) {
  TempDir dir;
  const std::string root = dir / "tree";
  os::ForceDirectories(Join(root, ".keep"));
  test::WriteFile(Join(Join(root, ".keep"), "inside.txt"), "x");
  test::WriteFile(Join(root, "plain.txt"), "y");

  MessageBoxRecorder boxes;
  const std::string before = os::GetCurrentDir();
  EXPECT_FALSE(DeleteFolderTree(root));
  EXPECT_EQ(os::GetCurrentDir(), before);
  EXPECT_TRUE(os::FileExists(Join(Join(root, ".keep"), "inside.txt")));
  EXPECT_FALSE(os::FileExists(Join(root, "plain.txt")));
  const auto shown = boxes.boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, root + NotEmptyMessage());
}

#ifdef _WIN32
TEST(DeleteFolderTree, StopsAtAFileThatIsInUse) {
  TempDir dir;
  const std::string root = dir / "tree";
  os::ForceDirectories(root);
  const std::string busy = Join(root, "busy.txt");
  test::WriteFile(busy, "x");
  // The C runtime opens files without delete sharing, so the file cannot go.
  std::FILE* held = std::fopen(busy.c_str(), "rb");
  ASSERT_NE(held, nullptr);
  MessageBoxRecorder boxes;
  const std::string before = os::GetCurrentDir();
  const bool deleted = DeleteFolderTree(root);
  std::fclose(held);
  EXPECT_FALSE(deleted);
  EXPECT_TRUE(os::FileExists(busy));
  EXPECT_EQ(os::GetCurrentDir(), before);
  const auto shown = boxes.boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, root + NotEmptyMessage());
}
#else
TEST(DeleteFolderTree, RemovesLinksWithoutFollowingThem) {
  TempDir dir;
  const std::string outside = dir / "outside";
  os::ForceDirectories(outside);
  test::WriteFile(Join(outside, "keep.txt"), "k");
  ASSERT_TRUE(os::SetFileAttributes(Join(outside, "keep.txt"), os::kAttrReadOnly));
  const std::string root = dir / "tree";
  os::ForceDirectories(root);
  std::filesystem::create_directory_symlink(outside, Join(root, "folderlink"));
  std::filesystem::create_symlink(Join(outside, "keep.txt"), Join(root, "filelink"));
  std::filesystem::create_symlink(dir / "gone", Join(root, "dangling"));  // a link to nothing goes too

  EXPECT_TRUE(DeleteFolderTree(root));
  EXPECT_FALSE(os::DirectoryExists(root));
  EXPECT_TRUE(os::FileExists(Join(outside, "keep.txt")));
  // Still read-only: the link's target was not touched either.
  const auto entries = os::ListDirectory(Join(outside, "keep.txt"), os::kAttrAnyFile);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_TRUE(entries[0].attr & os::kAttrReadOnly);
}

TEST(DeleteFolderTree, RaisesForAFolderItCannotEnterAndKeepsTheCurrentFolder) {
  if (::geteuid() == 0) GTEST_SKIP() << "root enters every folder";
  TempDir dir;
  const std::string root = dir / "tree";
  const std::string sealed = Join(root, "sealed");
  os::ForceDirectories(sealed);
  ASSERT_EQ(::chmod(sealed.c_str(), 0), 0);
  const std::string before = os::GetCurrentDir();
  EXPECT_THROW(DeleteFolderTree(root), Error);
  EXPECT_EQ(os::GetCurrentDir(), before);
  ::chmod(sealed.c_str(), 0700);
}
#endif

}  // namespace
}  // namespace quillet
