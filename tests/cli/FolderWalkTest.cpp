// The files a folder run takes, and where their results go.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "FolderWalk.h"
#include "TestSupport.h"

namespace quillet::cli {
namespace {

std::vector<std::string> Names(const std::vector<FolderFile>& files, const std::string& root) {
  std::vector<std::string> names;
  for (const FolderFile& f : files) names.push_back(std::filesystem::path(f.source).lexically_relative(root).string());
  return names;
}

class FolderWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* f : {"b.docx", "a.DOCX", "c.xlsx", "notes.log", ".hidden.docx", "sub/d.pptx", "sub/deeper/e.doc",
                          "out/old.docx"}) {
      std::filesystem::create_directories(std::filesystem::path(dir_ / f).parent_path());
      test::WriteFile(dir_ / f, "x");
    }
  }
  test::TempDir dir_;
};

TEST_F(FolderWalk, AFolderGivesItsDocumentsSorted) {
  EXPECT_EQ(Names(FindFiles(dir_.path(), false, ""), dir_.path()),
            (std::vector<std::string>{"a.DOCX", "b.docx", "c.xlsx"}));
  EXPECT_EQ(Names(FindFiles(dir_.path(), true, dir_ / "out"), dir_.path()),
            (std::vector<std::string>{"a.DOCX", "b.docx", "c.xlsx", "sub/d.pptx", "sub/deeper/e.doc"}));
  // The destination inside the searched folder is not searched.
  EXPECT_EQ(Names(FindFiles(dir_.path(), true, ""), dir_.path()).size(), 6u);
}

TEST_F(FolderWalk, APatternMatchesNamesWithoutRegardToCase) {
  EXPECT_EQ(Names(FindFiles(dir_ / "*.docx", false, ""), dir_.path()), (std::vector<std::string>{"a.DOCX", "b.docx"}));
  EXPECT_EQ(Names(FindFiles(dir_ / "*.log", false, ""), dir_.path()), std::vector<std::string>{"notes.log"});
  EXPECT_EQ(Names(FindFiles(dir_ / "*.do*", true, dir_ / "out"), dir_.path()),
            (std::vector<std::string>{"a.DOCX", "b.docx", "sub/deeper/e.doc"}));
  EXPECT_THROW(FindFiles(dir_ / "none/*.docx", false, ""), std::invalid_argument);
  // A name without wildcards: that file, or nothing that exists.
  EXPECT_EQ(Names(FindFiles(dir_ / "b.docx", false, ""), dir_.path()), std::vector<std::string>{"b.docx"});
  EXPECT_THROW(FindFiles(dir_ / "none", false, ""), std::invalid_argument);
}

TEST_F(FolderWalk, ResultsLandInTheSameSubfolderUnderTheDestination) {
  const std::vector<FolderFile> files = FindFiles(dir_.path(), true, dir_ / "out");
  EXPECT_EQ(DestinationOf(files[0], "/dest", ".txt"), "/dest/a.txt");
  EXPECT_EQ(DestinationOf(files[4], "/dest", ".pdf"), "/dest/sub/deeper/e.pdf");
}

}  // namespace
}  // namespace quillet::cli
