// The entry points under misuse a caller can commit: paths far longer than
// any buffer, texts that are not UTF-8, a report or registry that names a
// FIFO or a device, and two threads calling at once.
#include <gtest/gtest.h>

#include <filesystem>
#include <latch>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "DoubleControl.h"
#include "QuilletLibrary.h"
#include "TestSupport.h"
#include "platform/path.h"
#include "quillet/quillet.h"
#include "utilities/automation/Automation.h"

#ifndef _WIN32
#include <stdlib.h>
#include <sys/stat.h>
#endif

namespace quillet::test {
namespace {

size_t CallsWith(const doubles::Doubles& d, const std::string& part) {
  size_t n = 0;
  for (const std::string& call : d.Calls(doubles::App::Word)) n += call.find(part) != std::string::npos;
  return n;
}

TEST(ExportsAtTheEdges, ErrorTextsStayWithinTheDocumentedSize) {
  QuilletLibrary lib(QUILLET_LIBRARY);
  TempDir dir;
  // A source path of 10 000 bytes that does not exist.
  const std::string src = dir / std::string(10000, 'x') + ".doc";
  const auto r = lib.ConvertSingleFile(src, dir / "a.txt", "2", "");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorText.size(), QUILLET_ERROR_TEXT_MAX - 1u);
  EXPECT_EQ(r.errorText.rfind("Source file \"" + dir.path(), 0), 0u);
  EXPECT_NE(r.errorText.find("..."), std::string::npos);
  EXPECT_EQ(r.errorText.substr(r.errorText.size() - 14), "\" do not exist");
  // A short text is not touched.
  EXPECT_EQ(lib.ConvertSingleFile(dir / "b.doc", dir / "b.txt", "2", "").errorText,
            "Source file \"" + (dir / "b.doc") + "\" do not exist");
}

#ifndef _WIN32
TEST(ExportsAtTheEdges, AReportFileThatIsAFifoIsRefusedNotWaitedOn) {
  doubles::Doubles d;
  QuilletLibrary lib(QUILLET_LIBRARY);
  TempDir dir;
  WriteFile(dir / "a.doc", "x");
  const std::string fifo = dir / "report";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(lib.ConvertFolder(dir / "*.doc", dir / "out", "2", 0, "", fifo));
  // The conversion itself went ahead.
  EXPECT_EQ(ReadFile(dir / "out" + std::string(1, path::kDelimiter) + "a.txt"),
            "Word saved " + (dir / "a.doc") + " as format 2\r\n");
}

// Every file under Dir, by its path: what a call must leave as it was.
std::set<std::string> FilesUnder(const std::string& dir) {
  std::set<std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) files.insert(e.path().string());
  return files;
}

// C0 AE C0 AE C0 AF is "../" to a lenient decoder: a name that holds neither
// "/" nor ".." and still leads out of its folder.
const std::string kClimb = "\xC0\xAE\xC0\xAE\xC0\xAF";
const std::string kClimbShown = "\\xC0\\xAE\\xC0\\xAE\\xC0\\xAF";

TEST(ExportsAtTheEdges, ARequestWhoseTextsAreNotUtf8FailsAndOpensAndWritesNothing) {
  doubles::Doubles d;
  QuilletLibrary lib(QUILLET_LIBRARY);
  TempDir dir;
  std::filesystem::create_directories(dir / "in");
  std::filesystem::create_directories(dir / "out");
  WriteFile(dir / "in/a.doc", "x");
  WriteFile(dir / "secret.doc", "outside");
  // A file that really has that name, so that the source exists as given.
  WriteFile(dir / ("in/" + kClimb + "secret.doc"), "x");
  const std::set<std::string> before = FilesUnder(dir.path());

  const struct {
    std::string src, dest, format, option, error;
  } cases[] = {
      {dir / ("in/" + kClimb + "secret.doc"), dir / "out/a.txt", "2", "",
       "The source file \"" + dir.path() + "/in/" + kClimbShown + "secret.doc\" is not valid UTF-8"},
      {dir / "in/a.doc", dir / ("out/" + kClimb + "escaped.txt"), "2", "",
       "The destination file \"" + dir.path() + "/out/" + kClimbShown + "escaped.txt\" is not valid UTF-8"},
      {dir / "in/a.doc", dir / "out/a.txt", "2\xC0", "", "The format \"2\\xC0\" is not valid UTF-8"},
      {dir / "in/a.doc", dir / "out/a.txt", "2", "MS Word PASSWORD=\xED\xA0\x80",
       "The option \"MS Word PASSWORD=\\xED\\xA0\\x80\" is not valid UTF-8"},
  };
  for (const auto& c : cases) {
    const auto r = lib.ConvertSingleFile(c.src, c.dest, c.format, c.option);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errorText, c.error);
  }
  EXPECT_EQ(FilesUnder(dir.path()), before);
  // Word was not even started, let alone asked to open a file.
  EXPECT_EQ(d.Calls(doubles::App::Word), std::vector<std::string>{});

  // Nor does a field name that is not UTF-8 reach the converter.
  EXPECT_EQ(lib.GetFieldValue("destformatlist\xFF").errorText,
            "The field name \"destformatlist\\xFF\" is not valid UTF-8");
}

TEST(ExportsAtTheEdges, AFolderRunRefusesNamesThatAreNotUtf8AndReportsThemReadably) {
  doubles::Doubles d;
  QuilletLibrary lib(QUILLET_LIBRARY);
  TempDir dir;
  std::filesystem::create_directories(dir / "in");
  WriteFile(dir / "in/a.doc", "x");
  WriteFile(dir / "secret.doc", "outside");
  // A name on disk that a lenient decoder reads as "../secret.doc".
  WriteFile(dir / ("in/" + kClimb + "secret.doc"), "x");
  const std::string report = dir / "report.txt";

  EXPECT_FALSE(lib.ConvertFolder(dir / "in/*.doc", dir / "out", "2", 0, "", report));
  // The good file is converted, the other fails on its own line, and
  // nothing is written outside the destination folder.
  EXPECT_EQ(ReadFile(dir / "out/a.txt"), "Word saved " + (dir / "in/a.doc") + " as format 2\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "secret.txt"));
  EXPECT_EQ(FilesUnder(dir / "out"), std::set<std::string>{dir / "out/a.txt"});
  const std::string lines = ReadFile(report);
  EXPECT_NE(lines.find("can not convert " + dir.path() + "/in/" + kClimbShown + "secret.doc to " + dir.path() +
                       "/out/" + kClimbShown + "secret.txt, Error Reason is The source file \"" + dir.path() + "/in/" +
                       kClimbShown + "secret.doc\" is not valid UTF-8\r\n"),
            std::string::npos)
      << lines;
  EXPECT_EQ(lines.find('\xC0'), std::string::npos) << "the report holds the bad bytes themselves";

  // A run whose own texts are not UTF-8 converts nothing and says why.
  const std::string refused = dir / "refused.txt";
  EXPECT_FALSE(lib.ConvertFolder(dir / ("in/" + kClimb + "*.doc"), dir / "out2", "2", 0, "", refused));
  EXPECT_EQ(ReadFile(refused),
            "The source path \"" + dir.path() + "/in/" + kClimbShown + "*.doc\" is not valid UTF-8\r\n");
  EXPECT_FALSE(lib.ConvertFolder(dir / "in/*.doc", dir / ("out/" + kClimb), "2", 0, "", refused));
  EXPECT_EQ(ReadFile(refused),
            "The destination folder \"" + dir.path() + "/out/" + kClimbShown + "\" is not valid UTF-8\r\n");
  // A report file that cannot be named is not written at all.
  const std::set<std::string> before = FilesUnder(dir.path());
  EXPECT_FALSE(lib.ConvertFolder(dir / "in/a.doc", dir / "out3", "2", 0, "", dir / ("out/" + kClimb + "r.txt")));
  EXPECT_EQ(FilesUnder(dir.path()), before);
}

TEST(ExportsAtTheEdges, AServerRegistryThatIsNoFileRegistersNothing) {
  TempDir dir;
  const std::string fifo = dir / "servers";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& registry : {fifo, std::string("/dev/zero")}) {
    ::setenv("QUILLET_AUTOMATION_REGISTRY", registry.c_str(), 1);
    QuilletLibrary lib(QUILLET_LIBRARY);
    WriteFile(dir / "a.doc", "x");
    EXPECT_EQ(lib.ConvertSingleFile(dir / "a.doc", dir / "a.txt", "2", "MS Word").errorText,
              "Can not load Microsoft Word, you must install Microsoft Word first, please try again!")
        << registry;
  }
  ::unsetenv("QUILLET_AUTOMATION_REGISTRY");
}
#endif

TEST(ExportsAtTheEdges, CallsFromSeveralThreadsAreServedOneAtATime) {
  doubles::Doubles d;
  QuilletLibrary lib(QUILLET_LIBRARY);
  TempDir dir;
  constexpr int kThreads = 4, kEach = 5;
  for (int t = 0; t < kThreads; ++t) WriteFile(dir / ("t" + std::to_string(t) + ".doc"), "x");
  std::mutex lock;
  std::set<std::string> errors;
  int conversions = 0;
  // No thread ends before all are done: on Windows Word lives in the
  // apartment of the thread that started it, and once that thread has ended
  // the others would rightly start a Word of their own.
  std::latch allDone(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::string name = "t" + std::to_string(t);
      for (int i = 0; i < kEach; ++i) {
        // Every kind of request: a conversion, a format list, a folder run.
        const auto r = lib.ConvertSingleFile(dir / (name + ".doc"), dir / (name + ".txt"), "2", "MS Word");
        const std::string list = lib.GetFieldValue("destformatlist").value;
        lib.ConvertFolder(dir / (name + ".doc"), dir / name, "2", 0, "", dir / (name + ".report"));
        std::lock_guard<std::mutex> guard(lock);
        if (!r.ok) errors.insert(r.errorText);
        conversions += r.ok;
        if (list.empty()) errors.insert("no format list");
      }
      allDone.arrive_and_wait();
    });
  }
  for (auto& th : threads) th.join();
#ifdef _WIN32
  // Word belongs to the apartment of the thread that started it: the other
  // threads are refused by COM with its text (the wrong thread; the format
  // list, which asks Word for its converters, is then empty), and nothing
  // else goes wrong.
  const std::set<std::string> refusals{ole::OleErrorText(static_cast<int32_t>(0x8001010Eu)),  // RPC_E_WRONG_THREAD
                                       "no format list"};
  for (const std::string& e : errors) EXPECT_TRUE(refusals.count(e)) << e;
  EXPECT_GE(conversions, kEach);
#else
  EXPECT_EQ(errors, std::set<std::string>{});
  EXPECT_EQ(conversions, kThreads * kEach);
#endif
  // One Word served them all, and every document it opened was closed again.
  EXPECT_EQ(CallsWith(d, "Word.Visible put False"), 1u);
  EXPECT_EQ(CallsWith(d, "Documents.Open"), CallsWith(d, ".Close method"));
  EXPECT_GE(CallsWith(d, "Documents.Open"), size_t{kEach});
}

}  // namespace
}  // namespace quillet::test
