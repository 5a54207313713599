// The folder driver through ConvertFolder: which files it finds, where their
// results go, and the report of the ones that failed.
#include <filesystem>

#include "ConversionFixture.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace quillet::test {
namespace {

using FolderConversion = ConversionTest;

constexpr char kSep = path::kDelimiter;

TEST_F(FolderConversion, EveryFileConvertsAndTheReportFileIsEmpty) {
  File("a.doc");
  File("b.doc");
  File("c.txt");
  const std::string out = dir / "out", report = dir / "logs" + kSep + "report.txt";
  ASSERT_TRUE(lib.ConvertFolder(dir / "*.doc", out, "2", 0, "", report));
  EXPECT_EQ(ReadFile(report), "");
  // The default search order is sorted; each result lands in the destination
  // folder with the extension of its format.
  EXPECT_EQ(CallsWith(App::Word, "Documents.Open"), (Lines{"Word.Documents.Open method FileName:=\"" + (dir / "a.doc") +
                                                               "\", ReadOnly:=True, PasswordDocument:=\"zv\"",
                                                           "Word.Documents.Open method FileName:=\"" + (dir / "b.doc") +
                                                               "\", ReadOnly:=True, PasswordDocument:=\"zv\""}));
  EXPECT_EQ(ReadFile(out + kSep + "a.txt"), "Word saved " + (dir / "a.doc") + " as format 2\r\n");
  EXPECT_TRUE(os::FileExists(out + kSep + "b.txt"));
}

TEST_F(FolderConversion, TwoFailuresGiveTwoLinesInSearchOrder) {
  for (const char* name : {"d.doc", "a.doc", "c.doc", "b.doc"}) File(name);
  d.Script(App::Word,
           "Fail=Word.Document(d.doc).SaveAs|Disk d is full.\n"
           "Fail=Word.Document(b.doc).SaveAs|The document b could not be saved.\n");
  const std::string report = dir / "report.txt";
  EXPECT_FALSE(lib.ConvertFolder(dir.path() + kSep, "Same File Path", "", 0, "MS Word", report));
  const std::string text = ReadFile(report);
  // The report file holds the lines, each followed by CR LF.
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  const Lines lines = ReportLines(text.substr(0, text.size() - 2));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(IsTimeStamped(lines[0], "        can not convert " + (dir / "b.doc") + " to " + (dir / "b.txt") +
                                          ", Error Reason is The document b could not be saved."))
      << lines[0];
  EXPECT_TRUE(IsTimeStamped(lines[1], "        can not convert " + (dir / "d.doc") + " to " + (dir / "d.txt") +
                                          ", Error Reason is Disk d is full."))
      << lines[1];
  // The others converted beside their sources, with the first destination
  // format ("2", *.txt) since none was given.
  EXPECT_EQ(ReadFile(dir / "c.txt"), "Word saved " + (dir / "c.doc") + " as format 2\r\n");
}

TEST_F(FolderConversion, SubfoldersAreSearchedWhenAskedAndTheirResultsLandFlat) {
  namespace fs = std::filesystem;
  fs::create_directories(dir / "in" + kSep + "sub");
  File("in" + std::string(1, kSep) + "top.doc");
  File("in" + std::string(1, kSep) + "sub" + kSep + "deep.doc");
  const std::string out = dir / "out";
  ASSERT_TRUE(lib.ConvertFolder(dir / "in" + kSep + "*.doc", out, "7", 0, "MS Word", dir / "r1.txt"));
  EXPECT_FALSE(os::FileExists(out + kSep + "deep.txt"));
  // Only the lowest byte of the flag counts: -1 (a script's true) recurses.
  ASSERT_TRUE(lib.ConvertFolder(dir / "in" + kSep + "*.doc", out, "7", -1, "MS Word", dir / "r2.txt"));
  EXPECT_TRUE(os::FileExists(out + kSep + "deep.txt"));
  EXPECT_TRUE(os::FileExists(out + kSep + "top.txt"));
  // 256 has a zero lowest byte: no subfolders.
  std::filesystem::remove(out + kSep + "deep.txt");
  ASSERT_TRUE(lib.ConvertFolder(dir / "in" + kSep + "*.doc", out, "7", 256, "MS Word", dir / "r3.txt"));
  EXPECT_FALSE(os::FileExists(out + kSep + "deep.txt"));
}

TEST_F(FolderConversion, APathWithoutWildcardNamesOneFileEvenAMissingOne) {
  const std::string missing = dir / "missing.doc";
  const std::string report = dir / "report.txt";
  EXPECT_FALSE(lib.ConvertFolder(missing, dir / "out", "2", 0, "", report));
  const Lines lines = ReportLines(ReadFile(report).substr(0, ReadFile(report).size() - 2));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(IsTimeStamped(lines[0], "        can not convert " + missing + " to " + (dir / "out") + kSep +
                                          "missing.txt, Error Reason is Source file \"" + missing + "\" do not exist"))
      << lines[0];
}

TEST_F(FolderConversion, RelativeFoldersAreTakenFromTheCurrentFolder) {
  File("a.doc");
  const std::string cwd = os::GetCurrentDir();
  ASSERT_TRUE(os::SetCurrentDir(dir.path()));
  const bool ok = lib.ConvertFolder("*.doc", "out", "2", 0, "", "report.txt");
  os::SetCurrentDir(cwd);
  EXPECT_TRUE(ok);
  EXPECT_TRUE(os::FileExists(dir / "out" + kSep + "a.txt"));
  EXPECT_EQ(ReadFile(dir / "report.txt"), "");
}

TEST_F(FolderConversion, NoWordMeansOneTextForTheWholeRun) {
  File("a.doc");
  d.Unregister("Word.Application");
  const std::string report = dir / "report.txt";
  EXPECT_FALSE(lib.ConvertFolder(dir / "*.doc", dir / "out", "2", 0, "", report));
  EXPECT_EQ(ReadFile(report),
            "Can not load Microsoft Word, you must install Microsoft Word first, please try again!\r\n");
}

TEST_F(FolderConversion, ADestinationThatIsTheSourceFailsAndLeavesTheSourceUntouched) {
  const std::string src = File("a.txt", "the only copy\r\n");
  const std::string report = dir / "report.txt";
  // Every file matches, and a.txt maps onto itself.
  EXPECT_FALSE(lib.ConvertFolder(dir / "*.*", "Same File Path", "2", 0, "MS Word", report));
  const Lines lines = ReportLines(ReadFile(report).substr(0, ReadFile(report).size() - 2));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(IsTimeStamped(lines[0], "        can not convert " + src + " to " + src +
                                          ", Error Reason is Destination file \"" + src +
                                          "\" is the source file itself"))
      << lines[0];
  EXPECT_EQ(ReadFile(src), "the only copy\r\n");
  EXPECT_EQ(CallsWith(App::Word, "Documents.Open"), Lines{});
  // A single file too, however the destination is spelled.
  const std::string spelled = dir / "." + std::string(1, kSep) + "a.txt";
  EXPECT_EQ(lib.ConvertSingleFile(src, spelled, "2", "").errorText,
            "Destination file \"" + spelled + "\" is the source file itself");
#ifndef _WIN32
  // Or through a link.
  std::filesystem::create_symlink(src, dir / "link.txt");
  EXPECT_EQ(lib.ConvertSingleFile(src, dir / "link.txt", "2", "").errorText,
            "Destination file \"" + (dir / "link.txt") + "\" is the source file itself");
#endif
  EXPECT_EQ(ReadFile(src), "the only copy\r\n");
}

TEST_F(FolderConversion, TwoSourcesOfOneNameWriteTheirDestinationOnceAndTheSecondIsReported) {
  namespace fs = std::filesystem;
  fs::create_directories(dir / "in" + kSep + "a");
  fs::create_directories(dir / "in" + kSep + "b");
  const std::string first = File("in" + std::string(1, kSep) + "a" + kSep + "x.doc");
  const std::string second = File("in" + std::string(1, kSep) + "b" + kSep + "x.doc");
  const std::string out = dir / "out", report = dir / "report.txt";
  EXPECT_FALSE(lib.ConvertFolder(dir / "in" + kSep + "*.doc", out, "2", 1, "MS Word", report));
  const std::string dest = out + kSep + "x.txt";
  EXPECT_EQ(ReadFile(dest), "Word saved " + first + " as format 2\r\n");
  const Lines lines = ReportLines(ReadFile(report).substr(0, ReadFile(report).size() - 2));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(IsTimeStamped(lines[0], "        can not convert " + second + " to " + dest + ", Error Reason is \"" +
                                          dest + "\" was written from \"" + first + "\" in this run"))
      << lines[0];
  EXPECT_EQ(CallsWith(App::Word, "Documents.Open").size(), 1u);
  // A destination that was there before the run is replaced as always.
  ASSERT_TRUE(lib.ConvertFolder(dir / "in" + kSep + "a" + kSep + "*.doc", out, "2", 0, "MS Word", report));
  EXPECT_EQ(ReadFile(report), "");
}

#ifndef _WIN32
TEST_F(FolderConversion, AFileNameWithALineBreakGetsOneReportLineOfItsOwn) {
  const std::string odd = File("a\nb.doc");
  File("b.doc");
  const std::string report = dir / "report.txt";
  EXPECT_FALSE(lib.ConvertFolder(dir / "*.doc", "Same File Path", "2", 0, "MS Word", report));
  const Lines lines = ReportLines(ReadFile(report).substr(0, ReadFile(report).size() - 2));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(IsTimeStamped(lines[0], "        can not convert " + (dir / "a\\nb.doc") + " to " + (dir / "a\\nb.txt") +
                                          ", Error Reason is The file name holds a line break"))
      << lines[0];
  // Its halves were never taken for files; the other file converted.
  EXPECT_EQ(CallsWith(App::Word, "Documents.Open"), (Lines{"Word.Documents.Open method FileName:=\"" + (dir / "b.doc") +
                                                           "\", ReadOnly:=True, PasswordDocument:=\"zv\""}));
}
#endif

TEST_F(FolderConversion, AFolderWithoutMatchesIsASuccess) {
  const std::string report = dir / "report.txt";
  EXPECT_TRUE(lib.ConvertFolder(dir / "nowhere" + kSep + "*.doc", dir / "out", "2", 0, "", report));
  EXPECT_EQ(ReadFile(report), "");
  EXPECT_EQ(CallsWith(App::Word, "Documents"), Lines{});
}

}  // namespace
}  // namespace quillet::test
