// The converter's own steps, called in process: what the entry points cannot
// show (a trimmed source path, a message box instead of an error text).
#include <filesystem>

#include "ConversionFixture.h"
#include "engine/OfficeConvert.h"
#include "platform/path.h"
#include "procedures/Routes.h"

namespace quillet::test {
namespace {

class InProcess : public ::testing::Test {
 protected:
  doubles::Doubles d;
  TempDir dir;
  TOfficeConvertClass conv;
  std::string error;
};

TEST_F(InProcess, TheOfficeRouteOpensTheTrimmedSourcePath) {
  const std::string src = dir / "a.doc";
  WriteFile(src, "x");
  ASSERT_TRUE(conv.StartApplication("MS Word", error));
  const Status outcome = ConvertOfficeDocument(
      conv, TApplication::Word, TConversionRequest::Parse(" \t" + src + "  \r\n", dir / "a.txt", "2", ""));
  EXPECT_EQ(outcome.message(), "");
  const Lines open = [&] {
    Lines found;
    for (const std::string& call : d.Calls(App::Word))
      if (call.find("Documents.Open") != std::string::npos || call.find("value put") != std::string::npos)
        found.push_back(call);
    return found;
  }();
  EXPECT_EQ(open,
            (Lines{"Word.Documents.Open method FileName:=\"" + src + "\", ReadOnly:=True, PasswordDocument:=\"zv\"",
                   "Word.Document(a.doc).BuiltInDocumentProperties(title).value put \"a.doc\""}));
}

TEST_F(InProcess, ADestinationFolderThatCannotBeMadeIsShownAndFailsEachFile) {
  WriteFile(dir / "a.doc", "x");
  WriteFile(dir / "b.doc", "x");
  // A file stands where the destination folder should go.
  WriteFile(dir / "blocked", "not a folder");
  const std::string dest = dir / "blocked" + std::string(1, path::kDelimiter) + "out";
  MessageBoxRecorder boxes;
  std::string report;
  conv.ConvertFolderContents(dir / "*.doc", dest, "2", 0, "", report);
  EXPECT_EQ(boxes.boxes().size(), 2u);
  const Lines lines = ReportLines(report);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(IsTimeStamped(lines[1], "        can not convert " + (dir / "b.doc") + " to " + dest +
                                          std::string(1, path::kDelimiter) + "b.txt, Error Reason is " + dest +
                                          " directory do not exist"))
      << lines[1];
  // No document was opened for them.
  for (const std::string& call : d.Calls(App::Word)) EXPECT_EQ(call.find("Documents.Open"), std::string::npos);
}

TEST_F(InProcess, AFormatOutsideTheTableTakesTheExtensionItIsKnownBy) {
  WriteFile(dir / "a.doc", "x");
  WriteFile(dir / "b.xls", "x");
  MessageBoxRecorder boxes;
  std::string report;
  // Word's own number for PDF, and Excel's for CSV: the table holds neither.
  conv.ConvertFolderContents(dir / "*.doc", "Same File Path", "17", 0, "", report);
  EXPECT_EQ(report, "");
  EXPECT_EQ(ReadFile(dir / "a.pdf"), "Word saved " + (dir / "a.doc") + " as format 17\r\n");
  conv.ConvertFolderContents(dir / "*.xls", "Same File Path", "6", 0, "MS Excel", report);
  EXPECT_EQ(report, "");
  EXPECT_EQ(ReadFile(dir / "b.csv"), "Excel saved " + (dir / "b.xls") + " as format 6\r\n");
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(InProcess, AFormatCodeNothingNamesEndsTheRunBeforeAnyFileWithoutABox) {
  WriteFile(dir / "a.doc", "x");
  MessageBoxRecorder boxes;
  std::string report;
  conv.ConvertFolderContents(dir / "*.doc", "Same File Path", "99", 0, "", report);
  EXPECT_EQ(report, "File format 99 do not exist!");
  EXPECT_TRUE(boxes.boxes().empty());
  // Nothing was opened, and no result without an extension was written.
  for (const std::string& call : d.Calls(App::Word)) EXPECT_EQ(call.find("Documents.Open"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "a"));
}

}  // namespace
}  // namespace quillet::test
