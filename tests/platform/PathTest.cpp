#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/path.h"

namespace quillet {
namespace {

#ifdef _WIN32
TEST(Path, FolderPartKeepsOnlyARootDelimiter) {
  EXPECT_EQ(path::ExtractFileDir("C:\\r.txt"), "C:\\");
  EXPECT_EQ(path::ExtractFileDir("C:\\a\\r.txt"), "C:\\a");
  EXPECT_EQ(path::ExtractFileDir("C:r.txt"), "C:");
  EXPECT_EQ(path::ExtractFileDir("\\\\srv"), "\\\\");
  EXPECT_EQ(path::ExtractFileDir("out.txt"), "");
}

TEST(Path, NamePathAndExtensionSplitAtBackslashOrColon) {
  EXPECT_EQ(path::ExtractFilePath("C:\\in\\*.doc"), "C:\\in\\");
  EXPECT_EQ(path::ExtractFileName("C:\\in\\*.doc"), "*.doc");
  EXPECT_EQ(path::ExtractFileName("C:a.doc"), "a.doc");
  EXPECT_EQ(path::ExtractFileExt("C:\\a.b\\c"), "");
  EXPECT_EQ(path::ChangeFileExt("C:\\a.b\\c", ".txt"), "C:\\a.b\\c.txt");
  EXPECT_TRUE(path::IsAbsolute("C:\\x"));
  EXPECT_TRUE(path::IsAbsolute("\\\\server\\share"));
  EXPECT_FALSE(path::IsAbsolute("\\x"));
  EXPECT_EQ(path::JoinToCurrent("C:\\", "out"), "C:\\out");
  EXPECT_EQ(path::JoinToCurrent("C:\\work", "out"), "C:\\work\\out");
}
#else
TEST(Path, FolderPartKeepsOnlyARootDelimiter) {
  EXPECT_EQ(path::ExtractFileDir("/r.txt"), "/");
  EXPECT_EQ(path::ExtractFileDir("/a/r.txt"), "/a");
  EXPECT_EQ(path::ExtractFileDir("//r.txt"), "//");
  EXPECT_EQ(path::ExtractFileDir("out.txt"), "");
  EXPECT_EQ(path::ExtractFileDir("a:b.txt"), "");  // no drive colon on Linux
}

TEST(Path, NamePathAndExtensionSplitAtSlash) {
  EXPECT_EQ(path::ExtractFilePath("/in/*.doc"), "/in/");
  EXPECT_EQ(path::ExtractFileName("/in/*.doc"), "*.doc");
  EXPECT_EQ(path::ExtractFileExt("/a.b/c"), "");
  EXPECT_EQ(path::ChangeFileExt("/a.b/c", ".txt"), "/a.b/c.txt");
  EXPECT_TRUE(path::IsAbsolute("/x"));
  EXPECT_FALSE(path::IsAbsolute("x/y"));
  EXPECT_EQ(path::JoinToCurrent("/", "out"), "/out");
  EXPECT_EQ(path::JoinToCurrent("/work", "out"), "/work/out");
}
#endif

TEST(Path, ExtensionIsFromTheLastDotOfTheWholeText) {
  EXPECT_EQ(path::ExtractFileExt("*.doc"), ".doc");
  EXPECT_EQ(path::ExtractFileExt("*.htm;*.html"), ".html");
  EXPECT_EQ(path::ExtractFileExt("*.mht;*.mhtml"), ".mhtml");
  EXPECT_EQ(path::ExtractFileExt("noext"), "");
  EXPECT_EQ(path::ChangeFileExt("a.doc", ""), "a");
  EXPECT_EQ(path::ChangeFileExt("a", ".htm"), "a.htm");
  EXPECT_EQ(path::ChangeFileExt("a.b.doc", ".txt"), "a.b.txt");
}

TEST(Wildcard, MatchesLikeTheSystemListing) {
  EXPECT_TRUE(os::MatchesWildcard("A.DOC", "*.doc"));
  EXPECT_TRUE(os::MatchesWildcard("noext", "*.*"));
  EXPECT_TRUE(os::MatchesWildcard("report1.rtf", "report?.rtf"));
  EXPECT_FALSE(os::MatchesWildcard("report12.rtf", "report?.rtf"));
  EXPECT_FALSE(os::MatchesWildcard("a.docx", "*.doc"));
  EXPECT_TRUE(os::MatchesWildcard("abcabcabd", "*abd"));
  EXPECT_TRUE(os::MatchesWildcard("", "*"));
  EXPECT_FALSE(os::MatchesWildcard("x", ""));
  // "?" is one character of the name, however many bytes it takes; a byte
  // that starts no character counts as one, so that the name is listed still.
  EXPECT_TRUE(os::MatchesWildcard("caf\xC3\xA9.doc", "caf?.doc"));
  EXPECT_TRUE(os::MatchesWildcard("\xE4\xB8\xAD\xF0\x9F\x98\x80.doc", "??.doc"));
  EXPECT_FALSE(os::MatchesWildcard("caf\xC3\xA9.doc", "caf??.doc"));
  EXPECT_FALSE(os::MatchesWildcard("\xE4\xB8\xAD.doc", "???.doc"));
  EXPECT_TRUE(os::MatchesWildcard("x\xE4\xB8\xAD\xC3\xA9y.doc", "*?y.doc"));
  EXPECT_FALSE(os::MatchesWildcard("\xC3\xA9.doc", "*??.doc"));
  EXPECT_TRUE(os::MatchesWildcard("\xC0\xAF.doc", "??.doc"));
  // A pathological pattern must not take exponential time.
  EXPECT_FALSE(os::MatchesWildcard(std::string(200, 'a'), std::string(40, '*') + "b"));
}

}  // namespace
}  // namespace quillet
