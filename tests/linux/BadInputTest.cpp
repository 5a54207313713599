// Files and situations that cannot convert fail with clear texts through the
// entry points, quickly, and leave nothing half-written or running behind.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <vector>

#include "LinuxSupport.h"

namespace quillet {
namespace {

using test::Convert;
using test::Docs;
using test::ReadFile;
using test::Work;

const char* kCorrupt = "The file is corrupt and cannot be opened";

class BadInput : public ::testing::Test {
 protected:
  void SetUp() override { Docs(); }
  static std::string Out(const std::string& name) { return Work() / name; }
  static std::string Random(size_t n) {
    std::mt19937 gen(11);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen());
    return s;
  }
};

TEST_F(BadInput, CorruptEmptyAndTruncatedFilesFailAndWriteNothing) {
  struct Case {
    std::string good, ext, option;
  };
  for (const Case& c : {Case{Docs().words, "docx", ""}, Case{Docs().cells, "xlsx", "MS Excel"},
                        Case{Docs().deck, "pptx", "MS Powerpoint"}}) {
    const std::string whole = ReadFile(c.good);
    test::WriteFile(Out("random." + c.ext), Random(20000));
    test::WriteFile(Out("empty." + c.ext), "");
    test::WriteFile(Out("truncated." + c.ext), whole.substr(0, whole.size() / 2));
    for (const char* kind : {"random", "empty", "truncated"}) {
      const std::string src = Out(std::string(kind) + "." + c.ext),
                        dest = Out(std::string(kind) + "-" + c.ext + ".pdf");
      EXPECT_EQ(Convert(src, dest, c.ext == "docx" ? "17" : c.ext == "xlsx" ? "57" : "32", c.option), kCorrupt) << src;
      EXPECT_FALSE(std::filesystem::exists(dest)) << dest;
    }
  }
  // The office serves the next request as before.
  EXPECT_EQ(Convert(Docs().words, Out("after-corrupt.txt"), "2"), "");
}

TEST_F(BadInput, NoConversionChangesItsSourceWhetherItWorkedOrNot) {
  test::WriteFile(Out("noise.docx"), Random(5000));
  struct Case {
    std::string src, format, option;
  };
  const std::vector<Case> cases{{Docs().words, "2", ""},
                                {Docs().words, "0", ""},
                                {Docs().words, "17", ""},
                                {Docs().cells, "6", "MS Excel"},
                                {Docs().deck, "9999", "MS Powerpoint"},
                                {Docs().secret, "2", ""},
                                {Out("noise.docx"), "2", ""},
                                {Docs().words, "2", "MS Word USEMACRO"}};
  int n = 0;
  for (const Case& c : cases) {
    const std::string before = ReadFile(c.src);
    const auto stamp = std::filesystem::last_write_time(c.src);
    Convert(c.src, Out("unchanged-" + std::to_string(n++) + ".out"), c.format, c.option);
    EXPECT_EQ(ReadFile(c.src), before) << c.src << " " << c.format;
    EXPECT_EQ(std::filesystem::last_write_time(c.src), stamp) << c.src << " " << c.format;
  }
}

TEST_F(BadInput, ProtectedDocumentFailsAtOnceWithWordsText) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Convert(Docs().secret, Out("secret.txt"), "2"), "The password is incorrect");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(test::LastErrorCode(), "password");
  EXPECT_FALSE(std::filesystem::exists(Out("secret.txt")));
  // The right password opens it; a file that is no document is corrupt.
  EXPECT_EQ(Convert(Docs().secret, Out("secret.txt"), "2", "PASSWORD=secret"), "");
  EXPECT_EQ(test::LastErrorCode(), "");
  test::WriteFile(Out("garbage.docx"), "PK\x03\x04 not a zip at all");
  EXPECT_EQ(Convert(Out("garbage.docx"), Out("garbage.txt"), "2"), kCorrupt);
  EXPECT_EQ(test::LastErrorCode(), "corrupt");
}

TEST_F(BadInput, UnknownFormatsAndMissingPlacesHaveTheirTexts) {
  EXPECT_EQ(Convert(Docs().words, Out("unknown.xyz"), "99"), "This file format is not available: 99");
  EXPECT_EQ(test::LastErrorCode(), "unsupportedformat");
  EXPECT_EQ(Convert(Docs().cells, Out("unknown.xyz"), "4242", "MS Excel"), "This file format is not available: 4242");
  EXPECT_EQ(test::LastErrorCode(), "unsupportedformat");
  EXPECT_FALSE(std::filesystem::exists(Out("unknown.xyz")));
  EXPECT_EQ(Convert(Out("none.docx"), Out("none.txt"), "2"), "Source file \"" + Out("none.docx") + "\" do not exist");
  EXPECT_EQ(test::LastErrorCode(), "invalidrequest");
  EXPECT_EQ(Convert(Docs().words, Out("no/such/folder/x.txt"), "2"), Out("no/such/folder") + " directory do not exist");
  EXPECT_EQ(test::LastErrorCode(), "invalidrequest");

  // A folder run whose destination folder cannot be made (a file stands in
  // its way): every file fails with that reason, and the run ends.
  const std::string in = Out("blocked-in");
  std::filesystem::create_directories(in);
  std::filesystem::copy_file(Docs().words, in + "/a.docx");
  std::filesystem::copy_file(Docs().words, in + "/b.docx");
  test::WriteFile(Out("blocker"), "a file, not a folder");
  const std::string out = Out("blocker/out"), report = Out("blocked-report.txt");
  EXPECT_FALSE(test::Library().ConvertFolder(in + "/*.docx", out, "2", 0, "", report));
  const std::string lines = ReadFile(report);
  EXPECT_NE(lines.find("can not convert " + in + "/a.docx to " + out + "/a.txt, Error Reason is " + out +
                       " directory do not exist\r\n"),
            std::string::npos)
      << lines;
  EXPECT_NE(lines.find("can not convert " + in + "/b.docx"), std::string::npos) << lines;
}

TEST_F(BadInput, NamesThatAreNotUtf8FailWithAClearTextAndNothingIsWritten) {
  // C0 AE C0 AE C0 AF is "../" to a lenient decoder: names that hold neither
  // "/" nor ".." and would still have led out of their folders.
  const std::string climb = "\xC0\xAE\xC0\xAE\xC0\xAF", shown = "\\xC0\\xAE\\xC0\\xAE\\xC0\\xAF";
  const std::string in = Out("utf8-in"), out = Out("utf8-out");
  std::filesystem::create_directories(in);
  std::filesystem::create_directories(out);
  // The source exists under the name as given; what a lenient decoder would
  // have opened instead exists as well.
  std::filesystem::copy_file(Docs().words, in + "/" + climb + "escape.docx");
  std::filesystem::copy_file(Docs().words, Out("escape.docx"));
  std::vector<std::string> before;
  for (const auto& e : std::filesystem::recursive_directory_iterator(Work().path())) before.push_back(e.path());
  std::sort(before.begin(), before.end());

  EXPECT_EQ(Convert(in + "/" + climb + "escape.docx", out + "/escape.txt", "2"),
            "The source file \"" + in + "/" + shown + "escape.docx\" is not valid UTF-8");
  EXPECT_EQ(Convert(Docs().words, out + "/" + climb + "escaped.txt", "2"),
            "The destination file \"" + out + "/" + shown + "escaped.txt\" is not valid UTF-8");
  EXPECT_EQ(Convert(Docs().words, out + "/words.txt", "2", "MS Word PASSWORD=\xC0\xAF"),
            "The option \"MS Word PASSWORD=\\xC0\\xAF\" is not valid UTF-8");
  std::vector<std::string> after;
  for (const auto& e : std::filesystem::recursive_directory_iterator(Work().path())) after.push_back(e.path());
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, before);
}

TEST_F(BadInput, WithoutLibreOfficeTheCallerIsToldWhatToInstall) {
  const test::TempDir empty;
  ::setenv("QUILLET_LIBREOFFICE_PROGRAM", empty.path().c_str(), 1);
  test::Library().Reload();
  const std::string text =
      "LibreOffice is not installed: install the Debian packages libreoffice-core, libreoffice-writer, "
      "libreoffice-calc and libreoffice-impress";
  EXPECT_EQ(Convert(Docs().words, Out("missing.txt"), "2"), text);
  EXPECT_EQ(test::LastErrorCode(), "notinstalled");
  EXPECT_EQ(Convert(Docs().cells, Out("missing.csv"), "6", "MS Excel"), text);
  EXPECT_EQ(Convert(Docs().deck, Out("missing.txt"), "9999", "MS Powerpoint"), text);
  EXPECT_EQ(test::OfficeChildren(), std::vector<int>{});

  // Once it is there, the same converter converts.
  ::unsetenv("QUILLET_LIBREOFFICE_PROGRAM");
  EXPECT_EQ(Convert(Docs().words, Out("found.txt"), "2"), "");
  EXPECT_EQ(ReadFile(Out("found.txt")).substr(0, test::kWordsFirst.size()), test::kWordsFirst);
}

TEST_F(BadInput, AnOfficeThatDiedIsReplacedAtTheNextRequest) {
  ASSERT_EQ(Convert(Docs().words, Out("before-kill.txt"), "2"), "");
  const int first = test::StartedOffice();
  ASSERT_GT(first, 0);
  ASSERT_EQ(::kill(first, SIGKILL), 0);
  ASSERT_TRUE(test::GoneWithin(first, 10000));

  EXPECT_EQ(Convert(Docs().words, Out("after-kill.txt"), "2"), "");
  EXPECT_EQ(ReadFile(Out("after-kill.txt")), ReadFile(Out("before-kill.txt")));
  EXPECT_EQ(Convert(Docs().cells, Out("after-kill.csv"), "6", "MS Excel"), "");
  const int second = test::StartedOffice();
  EXPECT_GT(second, 0);
  EXPECT_NE(second, first);
  EXPECT_EQ(test::OfficeChildren(), std::vector<int>{second});
}

TEST_F(BadInput, AStoppedOfficeIsEndedAtTheDeadlineAndTheNextFileGetsAFreshOne) {
  // A second office, of someone else's, that must survive what follows.
  test::UsersOffice bystander(test::TestPipe() + "-bystander");
  ASSERT_EQ(Convert(Docs().words, Out("before-stop.txt"), "2"), "");
  const int stopped = test::StartedOffice();
  ASSERT_GT(stopped, 0);
  // An office that no longer answers: every call into it would wait for ever.
  ASSERT_EQ(::kill(stopped, SIGSTOP), 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Convert(Docs().words, Out("stopped.txt"), "2", "MS Word TIMEOUT=2"),
            "The document took longer than its deadline of 2 seconds: Microsoft Word was ended");
  EXPECT_EQ(test::LastErrorCode(), "deadline");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_TRUE(test::GoneWithin(stopped, 10000));
  EXPECT_FALSE(std::filesystem::exists(Out("stopped.txt")));

  // The next request starts an office of its own and converts.
  EXPECT_EQ(Convert(Docs().words, Out("after-stop.txt"), "2"), "");
  EXPECT_EQ(ReadFile(Out("after-stop.txt")), ReadFile(Out("before-stop.txt")));
  const int fresh = test::StartedOffice();
  EXPECT_GT(fresh, 0);
  EXPECT_NE(fresh, stopped);
  EXPECT_TRUE(bystander.running());
  const std::vector<int> offices = test::OfficeChildren();
  EXPECT_EQ(offices.size(), 2u);
  EXPECT_NE(std::find(offices.begin(), offices.end(), fresh), offices.end());
  EXPECT_NE(std::find(offices.begin(), offices.end(), bystander.pid()), offices.end());
  EXPECT_TRUE(bystander.Terminate());
}

}  // namespace
}  // namespace quillet
