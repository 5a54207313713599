// The settings-file reader: sections and keys as the system's profile
// routines find them.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "utilities/IniFile.h"

namespace quillet {
namespace {

using Entries = std::vector<IniEntry>;

std::vector<std::string> Keys(const Entries& entries) {
  std::vector<std::string> keys;
  for (const IniEntry& e : entries) keys.push_back(e.key + "=" + e.value);
  return keys;
}

class IniFile : public ::testing::Test {
 protected:
  Entries Read(const std::string& text, const std::string& section) {
    test::WriteFile(file, text);
    return ReadIniSection(file, section);
  }
  test::TempDir dir;
  const std::string file = dir / "set.ini";
};

TEST_F(IniFile, ASectionsEntriesInOrderWithBlanksAndQuotesDropped) {
  const Entries e = Read(
      "\xEF\xBB\xBF; settings\r\n[Tarnwick\\Quillet COM]\r\n  Plug-ins Path =  C:\\A B\\ \r\n"
      "Quoted=\"  kept  \"\r\nSingle='x'\r\nMismatched=\"x'\r\n; a comment\r\nFlag\r\n\r\n"
      "[Next]\r\nOther=1\r\n",
      "tarnwick\\quillet com");
  EXPECT_EQ(Keys(e), (std::vector<std::string>{"Plug-ins Path=C:\\A B\\", "Quoted=  kept  ", "Single=x",
                                               "Mismatched=\"x'", "Flag="}));
  EXPECT_EQ(IniValue(e, "PLUG-INS PATH", "default"), "C:\\A B\\");
  EXPECT_EQ(IniValue(e, "Missing", "default"), "default");
}

TEST_F(IniFile, TheFirstSectionAndTheFirstKeyOfANameCount) {
  const Entries e = Read("[S]\nk=1\nk=2\n[s]\nk=3\nj=4\n", "S");
  EXPECT_EQ(Keys(e), (std::vector<std::string>{"k=1", "k=2"}));
  EXPECT_EQ(IniValue(e, "k", ""), "1");
}

TEST_F(IniFile, NoFileNoSectionOrAnEmptySectionGiveNoEntries) {
  EXPECT_TRUE(ReadIniSection(dir / "missing.ini", "S").empty());
  EXPECT_TRUE(Read("[Other]\nk=1\n", "S").empty());
  EXPECT_TRUE(Read("[S]\n[Other]\nk=1\n", "S").empty());
  EXPECT_TRUE(Read("k=1\n", "").empty());  // entries before any section belong to none
  // A section name is the text inside the brackets, trimmed.
  EXPECT_EQ(Keys(Read("[ S ] trailing\nk=v\n", "S")), std::vector<std::string>{"k=v"});
}

}  // namespace
}  // namespace quillet
