// quillet.ConvertApplication driven by real scripts: Wine's script host
// (cscript) runs a VBScript or JScript file that creates the object by its
// ProgID, calls ConvertFolder on a folder of documents served by the Word
// double and prints the report, which the test reads from its output.
#include <filesystem>

#include <gtest/gtest.h>

#include "DoubleControl.h"
#include "ServerSupport.h"
#include "TestSupport.h"
#include "platform/fs.h"

namespace quillet::test {
namespace {

using doubles::App;

// The VBScript example of the README, taken from it as printed there.
std::string ReadmeExample() {
  const std::string readme = ReadFile(QUILLET_README);
  const std::string open = "```vbscript\n";
  const size_t start = readme.find(open);
  if (start == std::string::npos) return {};
  const size_t end = readme.find("\n```", start + open.size());
  if (end == std::string::npos) return {};
  return readme.substr(start + open.size(), end + 1 - start - open.size());
}

// The same in JScript, printing the report between brackets.
constexpr char kJScript[] = R"(var args = WScript.Arguments;
var converter = new ActiveXObject("quillet.ConvertApplication");
try {
  var report = converter.ConvertFolder(args.Item(0), args.Item(1), args.Item(2), args.Count() > 3, "");
  WScript.Echo("[" + report + "]");
} catch (e) {
  WScript.Echo("The run failed: " + e.description);
}
)";

class Scripts : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(Regsvr32(false), 0u); }

  void SetUp() override {
    std::filesystem::create_directories(dir / "in" + "\\sub");
    for (const char* name : {"in\\a.doc", "in\\b.doc", "in\\sub\\deep.doc"}) WriteFile(dir / name, "content\r\n");
  }

  // Runs Script (a file named Name) with the script host and returns what it
  // printed. The host must end by itself, and with it the Word it used.
  std::string Run(const std::string& name, const std::string& script, const std::string& arguments) {
    const std::string file = dir / name;
    WriteFile(file, script);
    const ProgramRun run = RunProgram("cscript.exe //nologo \"" + file + "\" " + arguments, 60000);
    EXPECT_TRUE(run.finished) << "the script host did not end";
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(d.WaitForServersToExit()) << "Word was not given back when the script host ended";
    return run.output;
  }
  std::string RunVbs(const std::string& arguments) {
    const std::string example = ReadmeExample();
    EXPECT_NE(example.find("CreateObject(\"quillet.ConvertApplication\")"), std::string::npos)
        << "the README has no VBScript example of the object";
    return Run("convert-folder.vbs", example, arguments);
  }
  std::string RunJs(const std::string& arguments) { return Run("convert-folder.js", kJScript, arguments); }

  std::string Args(const std::string& extra = "") const {
    return "\"" + (dir / "in") + "\\*.doc\" \"" + (dir / "out") + "\" 2" + extra;
  }
  std::string Out(const std::string& name) const { return dir / "out" + "\\" + name; }

  doubles::Doubles d;
  TempDir dir;
};

std::string FailureOfB(const TempDir& dir) {
  return "        can not convert " + (dir / "in") + "\\b.doc to " + (dir / "out") +
         "\\b.txt, Error Reason is Disk b is full.";
}

TEST_F(Scripts, VBScriptPrintsAnEmptyReportWhenEveryFileConverted) {
  EXPECT_EQ(RunVbs(Args()), "\r\n");
  EXPECT_EQ(ReadFile(Out("a.txt")), "Word saved " + (dir / "in") + "\\a.doc as format 2\r\n");
  EXPECT_TRUE(os::FileExists(Out("b.txt")));
  EXPECT_FALSE(os::FileExists(Out("deep.txt")));
}

TEST_F(Scripts, VBScriptPrintsTheLinesOfTheFilesThatFailed) {
  d.Script(App::Word, "Fail=Word.Document(b.doc).SaveAs|Disk b is full.\n");
  const std::string output = RunVbs(Args());
  ASSERT_GE(output.size(), 2u);
  EXPECT_EQ(output.substr(output.size() - 2), "\r\n");
  const std::string line = output.substr(0, output.size() - 2);
  EXPECT_TRUE(IsTimeStamped(line, FailureOfB(dir))) << output;
  EXPECT_TRUE(os::FileExists(Out("a.txt")));
}

TEST_F(Scripts, VBScriptsTrueSearchesTheSubfolders) {
  EXPECT_EQ(RunVbs(Args(" subfolders")), "\r\n");
  EXPECT_EQ(ReadFile(Out("deep.txt")), "Word saved " + (dir / "in") + "\\sub\\deep.doc as format 2\r\n");
}

TEST_F(Scripts, VBScriptSeesTheErrorThatEndsTheRunInErrDescription) {
  d.Script(App::Word, "Fail=Word.FileConverters|The converters cannot be listed.\n");
  EXPECT_EQ(RunVbs(Args()), "The run failed: The converters cannot be listed.\r\n");
  EXPECT_FALSE(os::FileExists(Out("a.txt")));
}

TEST_F(Scripts, JScriptGetsTheReportTheSubfoldersAndTheError) {
  EXPECT_EQ(RunJs(Args()), "[]\r\n");
  EXPECT_FALSE(os::FileExists(Out("deep.txt")));
  EXPECT_EQ(RunJs(Args(" subfolders")), "[]\r\n");
  EXPECT_TRUE(os::FileExists(Out("deep.txt")));

  d.Script(App::Word, "Fail=Word.Document(b.doc).SaveAs|Disk b is full.\n");
  const std::string output = RunJs(Args());
  ASSERT_GE(output.size(), 4u);
  EXPECT_TRUE(IsTimeStamped(output.substr(1, output.size() - 4), FailureOfB(dir))) << output;

  d.Script(App::Word, "Fail=Word.FileConverters|The converters cannot be listed.\n");
  EXPECT_EQ(RunJs(Args()), "The run failed: The converters cannot be listed.\r\n");
}

}  // namespace
}  // namespace quillet::test
