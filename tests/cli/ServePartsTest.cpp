// The service's parts that decide answers on their own, without a server: the
// token check.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "Token.h"

namespace quillet::cli::serve {
namespace {

TEST(Token, AdmitsOnlyTheWholeBearerValue) {
  const Token token("s3cret");
  EXPECT_TRUE(token.required());
  EXPECT_TRUE(token.Admits("Bearer s3cret"));
  // A prefix, a longer value, another scheme or case, the bare token: each
  // would let a client in that does not hold it.
  const std::vector<std::string> others = {"",           "s3cret",         "Bearer ",      "Bearer s3cre",
                                           "Bearer s3cret2", "Bearer s3cret ", "bearer s3cret", "Bearer S3cret",
                                           "Basic s3cret", std::string("Bearer s3cret\0", 14)};
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

}  // namespace
}  // namespace quillet::cli::serve
