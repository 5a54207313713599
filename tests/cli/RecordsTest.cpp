// What a folder run writes: JSON Lines records, report lines in the
// library's format, the messages between the program and its workers, and
// the progress line.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>

#include "Progress.h"
#include "Records.h"
#include "TestSupport.h"
#include "Workers.h"

namespace quillet::cli {
namespace {

FileResult Failed(const std::string& src, const std::string& error) {
  return {Request{src, src + ".txt", "2", ""}, Outcome{false, error, 12, Failure::Document, "corrupt"}};
}

TEST(Records, AJsonRecordHoldsTheFieldsOfAFileAndTheKindOfItsFailure) {
  const FileResult r = Failed("in/\"odd\" name.docx", "The file is corrupt\tand\ncannot be opened");
  const nlohmann::json record = nlohmann::json::parse(JsonRecord(r));
  EXPECT_EQ(record["source"], "in/\"odd\" name.docx");
  EXPECT_EQ(record["destination"], "in/\"odd\" name.docx.txt");
  EXPECT_EQ(record["ok"], false);
  EXPECT_EQ(record["error"], "The file is corrupt\tand\ncannot be opened");
  EXPECT_EQ(record["milliseconds"], 12);
  EXPECT_EQ(record["code"], "corrupt");
  EXPECT_FALSE(
      nlohmann::json::parse(JsonRecord({Request{"a.doc", "a.txt", "2", ""}, Outcome{true, "", 3}})).contains("code"))
      << "a file that converted has no kind of failure";
  EXPECT_EQ(JsonRecord(r).find('\n'), std::string::npos);  // one line
  // Bytes that are not UTF-8 do not lose the record.
  EXPECT_NO_THROW(nlohmann::json::parse(JsonRecord(Failed("in/caf\xe9.doc", ""))));
}

TEST(Records, TheReportHasTheLibrarysLinesAndOnlyTheFailures) {
  Report report;
  report.Add(Failed("/in/a.doc", "The password is incorrect"));
  report.Add({Request{"/in/b.doc", "/out/b.txt", "2", ""}, Outcome{true, "", 5}});
  report.Add(Failed("/in/c.doc", "This file format is not available: 99"));
  ASSERT_EQ(report.lines().size(), 2u);
  const std::regex line(
      "\\d\\d:\\d\\d:\\d\\d {8}can not convert /in/a\\.doc to /in/a\\.doc\\.txt, Error Reason is "
      "The password is incorrect");
  EXPECT_TRUE(std::regex_match(report.lines()[0], line)) << report.lines()[0];

  const test::TempDir dir;
  report.Save(dir / "sub/report.txt");
  EXPECT_EQ(test::ReadFile(dir / "sub/report.txt"), report.lines()[0] + "\r\n" + report.lines()[1] + "\r\n");
  Report none;
  none.Save(dir / "empty.txt");
  EXPECT_EQ(test::ReadFile(dir / "empty.txt"), "");
  test::WriteFile(dir / "file", "");
  EXPECT_THROW(report.Save(dir / "file/report.txt"), std::runtime_error);
}

TEST(Records, WorkerMessagesCarryAnyBytes) {
  const std::string packed = Pack({"a b\tc\nd", "", "\xff\xfe"});
  std::string buffer = packed.substr(0, 5);
  std::vector<std::string> fields;
  EXPECT_FALSE(Unpack(buffer, 3, fields));  // incomplete: nothing taken
  EXPECT_EQ(buffer.size(), 5u);
  buffer = packed + Pack({"next", "1", "2"});
  ASSERT_TRUE(Unpack(buffer, 3, fields));
  EXPECT_EQ(fields, (std::vector<std::string>{"a b\tc\nd", "", "\xff\xfe"}));
  ASSERT_TRUE(Unpack(buffer, 3, fields));
  EXPECT_EQ(fields, (std::vector<std::string>{"next", "1", "2"}));
  EXPECT_TRUE(buffer.empty());
}

TEST(Records, TheProgressLineShowsDoneTotalTimesAndTheCurrentFile) {
  EXPECT_EQ(Clock(0), "0:00");
  EXPECT_EQ(Clock(65.4), "1:05");
  EXPECT_EQ(Clock(3725), "1:02:05");
  EXPECT_EQ(BarLine(0, 4, "a.docx", 0, 8), "[--------] 0/4  0:00 elapsed  --:-- left  a.docx");
  // A quarter done in 10 s: 30 s to go.
  EXPECT_EQ(BarLine(1, 4, "b.docx", 10, 8), "[##------] 1/4  0:10 elapsed  0:30 left  b.docx");
  EXPECT_EQ(BarLine(4, 4, "", 40, 8), "[########] 4/4  0:40 elapsed  0:00 left");
}

}  // namespace
}  // namespace quillet::cli
