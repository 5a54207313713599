#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "TestSupport.h"
#include "engine/FindFile/FindFile.h"
#include "engine/FindFile/SearchFiles.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace quillet {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

std::string Join(const std::string& folder, const std::string& name) {
  return path::IncludeTrailingDelimiter(folder) + name;
}

void MakeFile(const std::string& folder, const std::string& name, const std::string& content = "x") {
  os::ForceDirectories(folder);
  test::WriteFile(Join(folder, name), content);
}

// A file the listing reports as hidden: a dot file on Linux, and on Windows the
// same name with the hidden bit set.
std::string MakeHiddenFile(const std::string& folder, const std::string& content) {
  const std::string name = ".h.doc";
  MakeFile(folder, name, content);
#ifdef _WIN32
  EXPECT_TRUE(os::SetFileAttributes(Join(folder, name), os::kAttrHidden));
#endif
  return name;
}

TEST(SearchFiles, SortsWithoutRegardToCaseAndEndsEveryLineWithCrLf) {
  test::TempDir tmp;
  const std::string in = path::IncludeTrailingDelimiter(tmp.path());
  for (const char* name : {"b.doc", "A.doc", "c.txt", "C.doc"}) MakeFile(in, name);

  // Plain byte order would put C.doc before b.doc.
  EXPECT_EQ(SearchFiles(in, false, "*.doc"), in + "A.doc\r\n" + in + "b.doc\r\n" + in + "C.doc\r\n");
  EXPECT_EQ(SearchFiles(in, false, "?.txt"), in + "c.txt\r\n");
  EXPECT_EQ(SearchFiles(in, false, "*.xls"), "");
}

TEST(SearchFiles, MaskWithoutWildcardNamesOneFileWithoutLookingAtTheDisk) {
  test::TempDir tmp;
  const std::string missing = path::IncludeTrailingDelimiter(tmp / "no-such-folder");
  EXPECT_EQ(SearchFiles(missing, false, "a.doc"), missing + "a.doc");
  EXPECT_EQ(SearchFiles(missing, true, "a.doc"), missing + "a.doc");
  EXPECT_FALSE(os::DirectoryExists(missing));

  EXPECT_EQ(SearchFiles("", false, "*.doc"), "");
  EXPECT_EQ(SearchFiles(missing, false, ""), "");
  // A folder that cannot be listed contributes nothing and raises nothing.
  EXPECT_EQ(SearchFiles(missing, true, "*.doc"), "");
}

TEST(FindFile, AttributesDecideWhatIsListedAndDefaultToFilesOfEveryKind) {
  test::TempDir tmp;
  const std::string in = tmp.path();
  MakeFile(in, "n.doc", "12345");
  MakeFile(in, "r.doc", "123");
  ASSERT_TRUE(os::SetFileAttributes(Join(in, "r.doc"), os::kAttrReadOnly));
  const std::string hidden = MakeHiddenFile(in, "1234567");
  os::ForceDirectories(Join(in, "x.doc"));

  ThhFindFile f;
  EXPECT_EQ(f.Attributes, (TAttrOptions{ffReadOnly, ffHidden, ffSysFile}));
  EXPECT_EQ(f.Filter, "*.*");
  EXPECT_FALSE(f.Recurse);
  EXPECT_TRUE(f.Sorted);
  EXPECT_FALSE(f.StrictRO);

  f.Directory = in;  // no trailing delimiter: the search adds it
  f.Filter = "*.doc";
  f.Execute();
  EXPECT_THAT(f.Files, ElementsAre(Join(in, hidden), Join(in, "n.doc"), Join(in, "r.doc")));
  EXPECT_EQ(f.FileCount, 3);
  EXPECT_EQ(f.FolderCount, 0);
  EXPECT_EQ(f.TotalSize, 15);

  // The attribute set is what the listing may return.
  f.Attributes.Exclude(ffHidden);
  f.Execute();
  EXPECT_THAT(f.Files, ElementsAre(Join(in, "n.doc"), Join(in, "r.doc")));
  EXPECT_EQ(f.TotalSize, 8);

  f.Attributes.Include(ffDirectory);
  f.Execute();
  EXPECT_THAT(f.Files, ElementsAre(Join(in, "n.doc"), Join(in, "r.doc"), Join(in, "x.doc")));
  EXPECT_EQ(f.FileCount, 2);
  EXPECT_EQ(f.FolderCount, 1);

  // StrictRO drops read-only files, but only when they were not asked for.
  f.Attributes = {ffReadOnly};
  f.StrictRO = true;
  f.Execute();
  EXPECT_THAT(f.Files, ElementsAre(Join(in, "n.doc"), Join(in, "r.doc")));
  f.Attributes.Exclude(ffReadOnly);
  f.Execute();
  EXPECT_THAT(f.Files, ElementsAre(Join(in, "n.doc")));
  EXPECT_EQ(f.FileCount, 1);
}

// root: r.doc; b: b.doc; a: a.doc; a/z: z.doc; a.old: o.doc; C: c.doc.
// The folders are made in an order unlike the sorted one.
std::string MakeTree(const test::TempDir& tmp) {
  const std::string in = tmp.path();
  MakeFile(Join(in, "b"), "b.doc");
  MakeFile(Join(in, "C"), "c.doc");
  MakeFile(Join(in, "a.old"), "o.doc");
  MakeFile(Join(Join(in, "a"), "z"), "z.doc");
  MakeFile(Join(in, "a"), "a.doc");
  MakeFile(in, "r.doc");
  return in;
}

TEST(FindFile, RecursiveSortedWalkIsDepthFirstWithSortedSubfolders) {
  test::TempDir tmp;
  const std::string in = MakeTree(tmp);
  const std::string a = Join(in, "a");

  ThhFindFile f;
  f.Directory = in;
  f.Filter = "*.doc";
  f.Recurse = true;
  StringList folders;
  f.OnNewPath = [&](ThhFindFile&, const std::string& p, bool&) { folders.push_back(p); };
  f.Execute();

  // a's subtree comes before a.old even though "a.old" sorts before "a\z" as
  // plain text; C sorts after b whatever its case.
  EXPECT_THAT(f.Files, ElementsAre(Join(in, "r.doc"), Join(a, "a.doc"), Join(Join(a, "z"), "z.doc"),
                                   Join(Join(in, "a.old"), "o.doc"), Join(Join(in, "b"), "b.doc"),
                                   Join(Join(in, "C"), "c.doc")));
  const char d = path::kDelimiter;
  EXPECT_THAT(folders, ElementsAre(in + d, a + d, Join(a, "z") + d, Join(in, "a.old") + d, Join(in, "b") + d,
                                   Join(in, "C") + d));
  EXPECT_EQ(f.FileCount, 6);

  EXPECT_EQ(SearchFiles(path::IncludeTrailingDelimiter(in), true, "*.doc"), JoinLinesCrLf(f.Files));
}

#ifndef _WIN32
TEST(FindFile, LinkedFoldersAreNotWalkedIntoSoALoopEnds) {
  test::TempDir tmp;
  const std::string in = Join(tmp.path(), "in");
  MakeFile(in, "r.doc");
  MakeFile(Join(in, "a"), "a.doc");
  // A link back up the tree: following it would list the same files forever.
  ASSERT_EQ(::symlink("..", Join(Join(in, "a"), "up").c_str()), 0);
  ThhFindFile f;
  f.Directory = in;
  f.Filter = "*.doc";
  f.Recurse = true;
  f.Execute();
  EXPECT_THAT(f.Files, ElementsAre(Join(in, "r.doc"), Join(Join(in, "a"), "a.doc")));
}
#endif

TEST(FindFile, UnsortedWalkGoesBreadthFirstInListingOrder) {
  test::TempDir tmp;
  const std::string in = MakeTree(tmp);

  ThhFindFile f;
  f.Directory = in;
  f.Filter = "*.doc";
  f.Recurse = true;
  f.Sorted = false;
  f.Execute();

  ASSERT_THAT(f.Files, UnorderedElementsAre(Join(in, "r.doc"), Join(Join(in, "a"), "a.doc"),
                                            Join(Join(Join(in, "a"), "z"), "z.doc"), Join(Join(in, "a.old"), "o.doc"),
                                            Join(Join(in, "b"), "b.doc"), Join(Join(in, "C"), "c.doc")));
  // The start folder first; the only second-level folder last.
  EXPECT_EQ(f.Files.front(), Join(in, "r.doc"));
  EXPECT_EQ(f.Files.back(), Join(Join(Join(in, "a"), "z"), "z.doc"));
}

TEST(FindFile, FilterLinesAreMergedAndRepeatsDroppedOnlyWhenSorted) {
  test::TempDir tmp;
  const std::string in = tmp.path();
  for (const char* name : {"b.doc", "a.doc", "c.txt", "d.rtf"}) MakeFile(in, name);

  ThhFindFile f;
  f.Directory = in;
  f.Filter = "*.txt\r\n\r\n*.doc\na*.*";  // a.doc matches two lines; the empty line lists nothing
  f.Execute();
  EXPECT_THAT(f.Files, ElementsAre(Join(in, "a.doc"), Join(in, "b.doc"), Join(in, "c.txt")));
  // Every accepted entry is counted, the repeat too.
  EXPECT_EQ(f.FileCount, 4);

  f.Sorted = false;
  f.Execute();
  ASSERT_EQ(f.Files.size(), 4u);
  EXPECT_EQ(f.Files[0], Join(in, "c.txt"));
  EXPECT_THAT(StringList(f.Files.begin() + 1, f.Files.begin() + 3),
              UnorderedElementsAre(Join(in, "a.doc"), Join(in, "b.doc")));
  EXPECT_EQ(f.Files[3], Join(in, "a.doc"));
}

#ifndef _WIN32
TEST(FindFile, NamesDifferingOnlyInCaseAreDistinctFilesOnACaseSensitiveDisk) {
  test::TempDir tmp;
  const std::string in = tmp.path();
  MakeFile(in, "a.doc");
  MakeFile(in, "A.doc");
  ThhFindFile f;
  f.Directory = in;
  f.Execute();
  EXPECT_THAT(f.Files, ElementsAre(Join(in, "A.doc"), Join(in, "a.doc")));
}
#endif

TEST(FindFile, EventsFrameTheSearchAndSeeEveryAcceptedEntry) {
  test::TempDir tmp;
  const std::string in = tmp.path();
  MakeFile(in, "b.doc");
  MakeFile(in, "a.doc");

  StringList log;
  ThhFindFile f;
  f.Directory = in;
  f.BeforeExecute = [&](ThhFindFile& s) {
    EXPECT_EQ(&s, &f);
    EXPECT_TRUE(s.Files.empty());
    log.push_back("before");
  };
  f.AfterExecute = [&](ThhFindFile& s) { log.push_back("after " + std::to_string(s.Files.size())); };
  f.Finding = [&](ThhFindFile&, const std::string& name, bool&) { log.push_back(name); };
  f.Execute();

  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log.front(), "before");
  EXPECT_THAT(StringList(log.begin() + 1, log.end() - 1), UnorderedElementsAre(Join(in, "a.doc"), Join(in, "b.doc")));
  EXPECT_EQ(log.back(), "after 2");

  // Nothing to search: the frame still runs, the result is empty.
  log.clear();
  f.Directory.clear();
  f.Execute();
  EXPECT_THAT(log, ElementsAre("before", "after 0"));
}

TEST(FindFile, AbortFromFindingKeepsTheEntryAndStopsEverything) {
  test::TempDir tmp;
  const std::string in = tmp.path();
  for (const char* name : {"a.doc", "b.doc", "c.doc", "a.txt", "b.txt"}) MakeFile(in, name);
  MakeFile(Join(in, "sub"), "s.doc");

  ThhFindFile f;
  f.Directory = in;
  f.Filter = "*.doc\r\n*.txt";
  f.Recurse = true;
  int calls = 0;
  f.Finding = [&](ThhFindFile&, const std::string&, bool& abort) {
    ++calls;
    abort = true;
  };
  f.Execute();
  EXPECT_TRUE(f.Abort);
  EXPECT_EQ(calls, 1);
  ASSERT_EQ(f.Files.size(), 1u);
  EXPECT_EQ(path::ExtractFileExt(f.Files[0]), ".doc");
  EXPECT_EQ(f.FileCount, 1);

  // The next run starts afresh.
  f.Finding = nullptr;
  f.Execute();
  EXPECT_FALSE(f.Abort);
  EXPECT_EQ(f.Files.size(), 6u);
}

TEST(FindFile, AbortFromNewPathEndsTheWalkBeforeThatFolderIsListed) {
  test::TempDir tmp;
  const std::string in = MakeTree(tmp);

  ThhFindFile f;
  f.Directory = in;
  f.Recurse = true;
  int folders = 0;
  f.OnNewPath = [&](ThhFindFile&, const std::string&, bool& abort) { abort = ++folders == 2; };
  f.Execute();
  EXPECT_EQ(folders, 2);
  EXPECT_THAT(f.Files, ElementsAre(Join(in, "r.doc")));
}

// Moves into Dir for the life of the object.
class CurrentDirGuard {
 public:
  explicit CurrentDirGuard(const std::string& dir) : saved_(os::GetCurrentDir()) {
    EXPECT_TRUE(os::SetCurrentDir(dir));
  }
  ~CurrentDirGuard() { os::SetCurrentDir(saved_); }

 private:
  std::string saved_;
};

TEST(MakeDestPath, SamePathOnlyChangesTheExtension) {
  test::TempDir tmp;
  const std::string in = Join(tmp.path(), "in");
  EXPECT_EQ(MakeDestPath(Join(in, "a.doc"), true, "Same File Path", ".htm"), Join(in, "a.htm"));
  EXPECT_EQ(MakeDestPath(Join(in, "a.b.doc"), true, "", ".txt"), Join(in, "a.b.txt"));
  EXPECT_EQ(MakeDestPath(Join(in, "readme"), true, "", ".txt"), Join(in, "readme.txt"));
  EXPECT_EQ(MakeDestPath(Join(in, "a.doc"), true, "", ""), Join(in, "a"));
  EXPECT_FALSE(os::DirectoryExists(in));
}

TEST(MakeDestPath, RelativeRootCountsFromTheCurrentFolderAndIsCreated) {
  test::TempDir tmp;
  test::MessageBoxRecorder boxes;
  const std::string work = Join(tmp.path(), "work");
  os::ForceDirectories(work);
  CurrentDirGuard cwd(work);
  const std::string here = os::GetCurrentDir();

  const std::string source = Join(Join(Join(tmp.path(), "in"), "sub"), "a.doc");
  EXPECT_EQ(MakeDestPath(source, false, "out", ".txt"), Join(Join(here, "out"), "a.txt"));
  EXPECT_TRUE(os::DirectoryExists(Join(work, "out")));

  const std::string deep = std::string("x") + path::kDelimiter + "y";
  EXPECT_EQ(MakeDestPath(source, false, deep, ".rtf"), Join(Join(here, deep), "a.rtf"));
  EXPECT_TRUE(os::DirectoryExists(Join(Join(work, "x"), "y")));
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST(MakeDestPath, AbsoluteRootIsUsedAsItIs) {
  test::TempDir tmp;
  test::MessageBoxRecorder boxes;
  const std::string out = Join(tmp.path(), "out");
  const std::string source = Join(Join(tmp.path(), "in"), "a.doc");

  EXPECT_EQ(MakeDestPath(source, false, out, ".txt"), Join(out, "a.txt"));
  EXPECT_TRUE(os::DirectoryExists(out));
  // A trailing delimiter is not doubled; an existing folder is simply used.
  EXPECT_EQ(MakeDestPath(source, false, path::IncludeTrailingDelimiter(out), ""), Join(out, "a"));
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST(MakeDestPath, FolderThatCannotBeCreatedShowsOneBoxAndStillGivesThePath) {
  test::TempDir tmp;
  test::MessageBoxRecorder boxes;
  test::WriteFile(tmp / "file.txt", "x");
  const std::string out = Join(tmp / "file.txt", "out");

  EXPECT_EQ(MakeDestPath(Join(tmp.path(), "a.doc"), false, out, ".txt"), Join(out, "a.txt"));
  const auto shown = boxes.boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "Error");
  EXPECT_FALSE(shown[0].text.empty());
  EXPECT_FALSE(os::DirectoryExists(out));
}

}  // namespace
}  // namespace quillet
