// The service's parts that decide answers on their own, without a server: the
// token check, the kinds of failure the library's codes give, a worker's
// answer over its pipe, the status of each failure, and the URLs and headers
// the server's own outbound connections take.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "Library.h"
#include "Outbound.h"
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

// The URL the allow-list matches is the URL connected to: whatever could
// make them differ (a user part, a backslash, odd bytes) is refused.
TEST(ParseUrl, TakesOnlyPlainHttpUrls) {
  std::string why;
  const auto url = ParseUrl("HTTP://Example.org:8080/a/b.txt?x=1#part", why);
  ASSERT_TRUE(url) << why;
  EXPECT_EQ(url->scheme, "http");
  EXPECT_EQ(url->host, "Example.org");
  EXPECT_EQ(url->port, 8080);
  EXPECT_EQ(url->target, "/a/b.txt?x=1");
  EXPECT_EQ(url->text, "HTTP://Example.org:8080/a/b.txt?x=1");
  const auto bare = ParseUrl("http://127.0.0.1", why);
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->port, 80);
  EXPECT_EQ(bare->target, "/");
  const auto v6 = ParseUrl("http://[::1]:9/x", why);
  ASSERT_TRUE(v6) << why;
  EXPECT_EQ(v6->host, "::1");
  EXPECT_EQ(v6->port, 9);
  const std::vector<std::string> refused = {"",
                                            "127.0.0.1/x",
                                            "ftp://127.0.0.1/x",
                                            "file:///etc/passwd",
                                            "gopher://127.0.0.1:70/x",
                                            "http://user@127.0.0.1/x",
                                            "http://127.0.0.1:80@10.0.0.1/x",
                                            "http://127.0.0.1\\@10.0.0.1/x",
                                            "http://127.0.0.1/a b",
                                            "http://127.0.0.1/a\r\nHost: x",
                                            std::string("http://127.0.0.1/a\0b", 20),
                                            "http://127.0.0.1:0/",
                                            "http://127.0.0.1:65536/",
                                            "http://127.0.0.1:80x/",
                                            "http://-x/",
                                            "http:///x",
                                            "http://[::1/x",
                                            "http://[zz]/x",
                                            "http://ex_ample.org/",
                                            "http://127.0.0.1/" + std::string(3000, 'a')};
  for (const std::string& text : refused) {
    why.clear();
    EXPECT_FALSE(ParseUrl(text, why)) << text;
    EXPECT_FALSE(why.empty()) << text;
  }
  EXPECT_EQ(ParseUrl("https://127.0.0.1/x", why).has_value(), HttpsBuilt());
}

TEST(ParseUrl, ResolvesWhereARedirectLeads) {
  std::string why;
  const Url base = *ParseUrl("http://127.0.0.1:81/docs/a.txt?q=1", why);
  const std::pair<std::string, std::string> cases[] = {
      {"http://127.0.0.2:82/b.txt", "http://127.0.0.2:82/b.txt"},
      {"//127.0.0.2/c.txt", "http://127.0.0.2/c.txt"},
      {"/d.txt", "http://127.0.0.1:81/d.txt"},
      {"e.txt?x", "http://127.0.0.1:81/docs/e.txt?x"},
  };
  for (const auto& [location, expected] : cases) {
    const auto next = Resolve(base, location, why);
    ASSERT_TRUE(next) << location << ": " << why;
    EXPECT_EQ(next->text, expected);
  }
  EXPECT_FALSE(Resolve(base, "file:///etc/passwd", why));
  EXPECT_FALSE(Resolve(base, "http://u@127.0.0.1/", why));
}

TEST(AllowList, MatchesTheWholeUrlAndNothingWhenEmpty) {
  std::string why;
  const Url inside = *ParseUrl("http://127.0.0.1:8/x", why);
  const Url longer = *ParseUrl("http://127.0.0.1.example.org:8/x", why);
  EXPECT_FALSE(AllowList().Allows(inside));
  EXPECT_FALSE(AllowList("--x", "").Allows(inside));
  const AllowList list("--x", R"(http://127\.0\.0\.1:[0-9]+/.*)");
  EXPECT_TRUE(list.Allows(inside));
  // A match of a part of the URL is not a match.
  EXPECT_FALSE(list.Allows(longer));
  EXPECT_FALSE(AllowList("--x", "127").Allows(inside));
  try {
    AllowList("--webhook-allow-list", "(");
    ADD_FAILURE() << "a broken expression was taken";
  } catch (const std::invalid_argument& e) {
    EXPECT_NE(std::string(e.what()).find("--webhook-allow-list"), std::string::npos);
  }
}

TEST(HeaderAllowed, RefusesWhatWouldChangeTheExchange) {
  std::string why;
  EXPECT_TRUE(HeaderAllowed("X-Key", "a value\twith a tab", why)) << why;
  EXPECT_TRUE(HeaderAllowed("Authorization", "Bearer t", why)) << why;
  const std::pair<std::string, std::string> refused[] = {
      {"", "v"},
      {"Bad Name", "v"},
      {"X:Y", "v"},
      {"X-A", "v\r\nX-Injected: 1"},
      {"X-A", "v\nw"},
      {"X-A", std::string("v\0w", 3)},
      {"X-A", "v\x7fw"},
      {"X-A", std::string(4097, 'v')},
      {std::string(129, 'n'), "v"},
      {"Host", "elsewhere"},
      {"content-length", "1"},
      {"Transfer-Encoding", "chunked"},
      {"Connection", "close"},
  };
  for (const auto& [name, value] : refused) {
    why.clear();
    EXPECT_FALSE(HeaderAllowed(name, value, why)) << name;
    EXPECT_FALSE(why.empty());
  }
}

}  // namespace
}  // namespace quillet::cli::serve
