// The service's parts that decide answers on their own, without a server: the
// token check, the kinds of failure the library's codes give, a worker's
// answer over its pipe, and the status of each failure.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "Library.h"
#include "Server.h"
#include "Statuses.h"
#include "TestSupport.h"
#include "Token.h"
#include "Workers.h"

namespace quillet::cli::serve {
namespace {

TEST(Token, AdmitsOnlyTheWholeBearerValue) {
  const Token token("s3cret");
  EXPECT_TRUE(token.required());
  EXPECT_TRUE(token.Admits("Bearer s3cret"));
  // A prefix, a longer value, another scheme or case, the bare token: each
  // would let a client in that does not hold it.
  const std::vector<std::string> others = {"",
                                           "s3cret",
                                           "Bearer ",
                                           "Bearer s3cre",
                                           "Bearer s3cret2",
                                           "Bearer s3cret ",
                                           "bearer s3cret",
                                           "Bearer S3cret",
                                           "Basic s3cret",
                                           std::string("Bearer s3cret\0", 14)};
  for (const std::string& other : others) EXPECT_FALSE(token.Admits(other)) << other;
}

TEST(Token, WithoutOneEveryRequestIsAdmitted) {
  const Token none;
  EXPECT_FALSE(none.required());
  EXPECT_TRUE(none.Admits(""));
  EXPECT_TRUE(none.Admits("Bearer anything"));
}

TEST(Token, IsTheFilesFirstLineWithoutTheBlanksAtItsEnd) {
  const test::TempDir dir;
  test::WriteFile(dir / "token", " s3cret \t\r\nsecond line\n");
  const Token token = Token::FromFile(dir / "token");
  EXPECT_TRUE(token.Admits("Bearer  s3cret"));  // a blank before it is part of it
  EXPECT_FALSE(token.Admits("Bearer  s3cret \t"));
  EXPECT_FALSE(token.Admits("Bearer second line"));

  test::WriteFile(dir / "blank", " \r\nsecond line\n");
  EXPECT_THROW(Token::FromFile(dir / "blank"), std::invalid_argument);
  test::WriteFile(dir / "empty", "");
  EXPECT_THROW(Token::FromFile(dir / "empty"), std::invalid_argument);
  EXPECT_THROW(Token::FromFile(dir / "missing"), std::invalid_argument);
}

// The library's codes (its words, as a client of the library reads them) but
// the two that have kinds and statuses of their own.
const std::vector<std::string> kDocumentCodes = {"failure",           "invalidrequest", "invalidtext", "invalidoption",
                                                 "unsupportedformat", "notinstalled",   "password",    "corrupt",
                                                 "automation",        "filesystem"};

Outcome Failed(Failure kind, const std::string& code) { return Outcome{false, "why", 7, kind, code}; }

TEST(FailureOfCode, ADeadlineAndAnOfficeThatEndedHaveKindsOfTheirOwn) {
  EXPECT_EQ(FailureOfCode("deadline"), Failure::Deadline);
  EXPECT_EQ(FailureOfCode("applicationended"), Failure::OfficeEnded);
  for (const std::string& code : kDocumentCodes) EXPECT_EQ(FailureOfCode(code), Failure::Document) << code;
  // A library without codes, or with one newer than this program.
  EXPECT_EQ(FailureOfCode(""), Failure::Document);
  EXPECT_EQ(FailureOfCode("somethingnew"), Failure::Document);
}

TEST(StatusOf, TheLibrarysCodesKeepTheStatusesTheirKindsHad) {
  EXPECT_EQ(StatusOf(Failed(Failure::Deadline, "deadline")), 504);
  EXPECT_EQ(StatusOf(Failed(Failure::OfficeEnded, "applicationended")), 503);
  for (const std::string& code : kDocumentCodes) EXPECT_EQ(StatusOf(Failed(Failure::Document, code)), 422) << code;
  // A code the table does not know counts as its kind.
  EXPECT_EQ(StatusOf(Failed(Failure::Document, "")), 422);
  EXPECT_EQ(StatusOf(Failed(Failure::Document, "somethingnew")), 422);
  EXPECT_EQ(StatusOf(Failed(Failure::Deadline, "")), 504);
  EXPECT_EQ(StatusOf(Failed(Failure::OfficeEnded, "")), 503);
}

TEST(StatusOf, TheWorkersOwnFailuresGoByTheirKindWhateverTheLibrarySaid) {
  // The memory watch ends the office: the library then reports an office
  // that ended, but the document is what passed the ceiling.
  EXPECT_EQ(StatusOf(Failed(Failure::Memory, "applicationended")), 422);
  EXPECT_EQ(StatusOf(Failed(Failure::Memory, "")), 422);
  EXPECT_EQ(StatusOf(Failed(Failure::ResultSize, "")), 422);
  EXPECT_EQ(StatusOf(Failed(Failure::Refused, "")), 500);
  EXPECT_EQ(StatusOf(Failed(Failure::Worker, "")), 503);
  EXPECT_EQ(StatusOf(Failed(Failure::Worker, "deadline")), 503);
}

TEST(WorkerAnswers, CarryTheKindAndTheLibrarysCodeToTheStatus) {
  const struct {
    Outcome sent;
    int status;
  } answers[] = {
      {Outcome{false, "The document took longer than its deadline of 3 seconds", 3004, Failure::Deadline, "deadline"},
       504},
      {Outcome{false, "LibreOffice ended during the conversion: killed", 812, Failure::OfficeEnded, "applicationended"},
       503},
      {Outcome{false, "The password is incorrect", 95, Failure::Document, "password"}, 422},
      {Outcome{false, "the results are larger than the ceiling of 3 MiB", 2210, Failure::ResultSize, ""}, 422},
  };
  for (const auto& [sent, status] : answers) {
    const std::string packed = PackAnswer(sent);
    // It arrives in two reads: nothing is taken off before it is whole.
    std::string buffer = packed.substr(0, packed.size() - 1);
    Outcome got;
    EXPECT_FALSE(UnpackAnswer(buffer, got));
    buffer += packed.back();
    buffer += PackAnswer(Outcome{true, "", 40, Failure::None, ""});
    ASSERT_TRUE(UnpackAnswer(buffer, got)) << sent.error;
    EXPECT_EQ(got.ok, false);
    EXPECT_EQ(got.error, sent.error);
    EXPECT_EQ(got.milliseconds, sent.milliseconds);
    EXPECT_EQ(got.failure, sent.failure);
    EXPECT_EQ(got.code, sent.code);
    EXPECT_EQ(StatusOf(got), status) << sent.error;
    // The next answer follows it whole.
    ASSERT_TRUE(UnpackAnswer(buffer, got));
    EXPECT_TRUE(got.ok);
    EXPECT_EQ(got.code, "");
    EXPECT_TRUE(buffer.empty());
  }
}

TEST(Fail, PutsOnlyALibraryWordIntoTheErrorCodeHeader) {
  httplib::Response res;
  Fail(res, Refusal{422, "The file is corrupt and cannot be opened", "corrupt"});
  EXPECT_EQ(res.status, 422);
  EXPECT_EQ(res.get_header_value("Quillet-Error-Code"), "corrupt");
  // A code that is no word (from a worker that went wrong) never reaches a
  // header: a line break would end it and start one of the sender's.
  for (const std::string& hostile : {std::string("corrupt\r\nSet-Cookie: a=b"), std::string("Corrupt"),
                                     std::string("corrupt "), std::string(33, 'a'), std::string("pass\0word", 9)}) {
    httplib::Response answer;
    Fail(answer, Refusal{422, "failed", hostile});
    EXPECT_EQ(answer.status, 422);
    EXPECT_FALSE(answer.has_header("Quillet-Error-Code")) << hostile;
    EXPECT_FALSE(answer.has_header("Set-Cookie"));
  }
}

}  // namespace
}  // namespace quillet::cli::serve
