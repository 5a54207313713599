#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "Probe.h"
#include "TestSupport.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/process.h"
#include "utilities/SysUtils.h"

namespace quillet {
namespace {

using test::ProbeBuildPath;
using test::TempDir;
using ::testing::ElementsAre;

// What the probe wrote: its lines "key=value", with every "arg" kept in order.
struct ProbeReport {
  std::map<std::string, std::string> fields;
  std::vector<std::string> args;
};

ProbeReport ParseReport(const std::string& text) {
  ProbeReport report;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const size_t eq = line.find('=');
    if (eq != std::string::npos) {
      if (line.substr(0, eq) == "arg")
        report.args.push_back(line.substr(eq + 1));
      else
        report.fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    start = end + 1;
  }
  return report;
}

// Waits (bounded) for a file that a program started without waiting writes.
bool WaitForFile(const std::string& file) {
  for (int i = 0; i < 600 && !os::FileExists(file); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return os::FileExists(file);
}

bool SameFolder(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec);
}

// A copy of the probe in a fresh folder, so its working folder is known and
// what it writes lands there.
class ProbeCopy {
 public:
  ProbeCopy() : program_(dir_ / path::ExtractFileName(ProbeBuildPath())) {
    std::filesystem::copy_file(ProbeBuildPath(), program_);
  }
  const TempDir& dir() const { return dir_; }
  const std::string& program() const { return program_; }

 private:
  TempDir dir_;
  std::string program_;
};

TEST(CommandLine, QuotesTheProgramAndAlwaysAddsTheBlank) {
  EXPECT_EQ(os::BuildCommandLine("C:\\Program Files\\app.exe", ""), "\"C:\\Program Files\\app.exe\" ");
  EXPECT_EQ(os::BuildCommandLine("C:\\a.exe", "/s \"x y.dll\""), "\"C:\\a.exe\" /s \"x y.dll\"");
}

TEST(CommandLine, ParametersAreCutAtBlanksOutsideQuotes) {
  EXPECT_THAT(os::SplitParameters(""), ElementsAre());
  EXPECT_THAT(os::SplitParameters("   "), ElementsAre());
  EXPECT_THAT(os::SplitParameters(" /s  a.dll "), ElementsAre("/s", "a.dll"));
  EXPECT_THAT(os::SplitParameters("/s \"my lib.dll\" x\"y z\""), ElementsAre("/s", "my lib.dll", "xy z"));
  EXPECT_THAT(os::SplitParameters("a \"\" b"), ElementsAre("a", "", "b"));
}

TEST(RunProgram, WaitingRunsTheProgramInItsOwnFolderToTheEnd) {
  ProbeCopy probe;
  const std::string before = os::GetCurrentDir();
  ASSERT_TRUE(RunProgramAndWait(probe.program(), "report.txt sleep=700 \"two words\"", 0));
  EXPECT_EQ(os::GetCurrentDir(), before);
  // Written after the probe's pause: only there now if the call waited.
  const std::string reportFile = probe.dir() / "report.txt";
  ASSERT_TRUE(os::FileExists(reportFile));
  const ProbeReport report = ParseReport(test::ReadFile(reportFile));
  EXPECT_TRUE(SameFolder(report.fields.at("cwd"), probe.dir().path())) << report.fields.at("cwd");
  EXPECT_THAT(report.args, ElementsAre("report.txt", "sleep=700", "two words"));
#ifdef _WIN32
  EXPECT_EQ(report.fields.at("cmdline"), "\"" + probe.program() + "\" report.txt sleep=700 \"two words\"");
#endif
}

TEST(RunProgram, ReturnsTheIdOfAProgramItDoesNotWaitFor) {
  ProbeCopy probe;
  const uint32_t pid = RunProgram(probe.program(), "", 1);
  ASSERT_NE(pid, 0u);
  const std::string reportFile = probe.dir() / "probe.txt";
  ASSERT_TRUE(WaitForFile(reportFile));
  const ProbeReport report = ParseReport(test::ReadFile(reportFile));
  EXPECT_EQ(report.fields.at("pid"), std::to_string(pid));
  EXPECT_TRUE(report.args.empty());
#ifdef _WIN32
  // Empty parameters still leave the blank after the closing quote.
  EXPECT_EQ(report.fields.at("cmdline"), "\"" + probe.program() + "\" ");
#endif
}

TEST(RunProgram, ComesBackWhileTheProgramStillRuns) {
  ProbeCopy probe;
  ASSERT_NE(RunProgram(probe.program(), "late.txt sleep=3000", 0), 0u);
  const std::string reportFile = probe.dir() / "late.txt";
  EXPECT_FALSE(os::FileExists(reportFile));
  // Let it finish before its folder goes.
  EXPECT_TRUE(WaitForFile(reportFile));
}

TEST(RunProgram, ReportsAProgramThatCannotStart) {
  TempDir dir;
  const std::string missing = dir / "no-such-program.exe";
  EXPECT_EQ(RunProgram(missing, "x", 0), 0u);
  EXPECT_FALSE(RunProgramAndWait(missing, "", 0));
  EXPECT_EQ(RunProgram(path::IncludeTrailingDelimiter(dir / "no-folder") + "p.exe", "", 0), 0u);
  EXPECT_EQ(RunProgram("", "", 0), 0u);
}

}  // namespace
}  // namespace quillet
