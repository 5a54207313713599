// The quillet program run as a user runs it, over LibreOffice: exit
// statuses, the folder run's JSON Lines and report, worker processes, and
// the shared office that one-shot conversions attach to (started for the
// whole suite, so that its conversions cost no office start). The program
// gets a private cache folder (profiles of its offices) and well-known pipe,
// so that nothing of the user's is used or left behind.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "FlatDocuments.h"
#include "TestSupport.h"
#include "quillet/quillet.h"
#include "uno/Launcher.h"
#include "uno/PipeFiles.h"

extern char** environ;

namespace quillet {
namespace {

namespace fs = std::filesystem;
using office::uno::PipeFilesOf;
using test::ReadFile;

struct Outcome {
  int status = -1;
  std::string out, err;
  pid_t pid = 0;
};

const test::TempDir& Cache() {
  static test::TempDir* cache = new test::TempDir;
  return *cache;
}

std::string Pipe() { return "quillet-cli-test-" + std::to_string(::getpid()); }

// Runs the program with Args; Env entries (NAME=value) are added to ours.
// With a Limit, a program still running then is killed (its status reads
// 128 + 9). Under: a command that runs the program (its arguments follow).
Outcome Quillet(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                std::chrono::seconds limit = std::chrono::seconds::zero(), const std::vector<std::string>& under = {}) {
  static test::TempDir outputs;
  static int n = 0;
  const std::string out = outputs / ("out" + std::to_string(n)), err = outputs / ("err" + std::to_string(n++));
  std::vector<std::string> all = under;
  all.push_back(QUILLET_PROGRAM);
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  // Env first, then this program's defaults, then the rest of our own
  // environment: the first entry of a name is the one that counts.
  std::vector<std::string> environment = env;
  auto named = [&](const std::string& entry) {
    for (const std::string& e : environment)
      if (entry.compare(0, entry.find('=') + 1, e, 0, e.find('=') + 1) == 0) return true;
    return false;
  };
  for (const std::string& entry : {"XDG_CACHE_HOME=" + Cache().path(), "QUILLET_OFFICE_PIPE=" + Pipe()})
    if (!named(entry)) environment.push_back(entry);
  for (char** e = environ; *e; ++e)
    if (!named(*e) && std::string(*e).rfind("QUILLET_AUTOMATION_REGISTRY=", 0) != 0) environment.push_back(*e);
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  Outcome run;
  if (::posix_spawn(&run.pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
    int status = 0;
    const auto end = std::chrono::steady_clock::now() + limit;
    if (limit != std::chrono::seconds::zero()) {
      while (::waitpid(run.pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) ::kill(run.pid, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    } else {
      ::waitpid(run.pid, &status, 0);
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  run.out = ReadFile(out);
  run.err = ReadFile(err);
  return run;
}

// The soffice processes whose command line holds Text.
std::vector<int> OfficesWith(const std::string& text) {
  std::vector<int> pids;
  for (const auto& e : fs::directory_iterator("/proc")) {
    const std::string name = e.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string cmdline = ReadFile((e.path() / "cmdline").string());
    if (cmdline.find("soffice.bin") != std::string::npos && cmdline.find(text) != std::string::npos)
      pids.push_back(std::stoi(name));
  }
  return pids;
}

std::vector<std::string> Slots() {
  std::vector<std::string> slots;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(Cache() / "quillet/office", ec))
    if (e.is_directory() && e.path().filename().string().rfind("slot-", 0) == 0) slots.push_back(e.path().filename());
  std::sort(slots.begin(), slots.end());
  return slots;
}

class CommandLine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    const Outcome started = Quillet({"office", "start"});
    ASSERT_EQ(started.status, 0) << started.err;
    Make("memo.fodt", test::FlatText("<text:p>Memo words</text:p>"), "memo.docx");
    Make("book.fods", test::FlatSpreadsheet({{"S", {{"a", "1"}, {"b", "2"}}}}), "book.xlsx");
    Make("deck.fodp", test::FlatPresentation({{{"Slide words"}}, {{"More words"}}}), "deck.pptx");
  }
  static void TearDownTestSuite() {
    Quillet({"office", "stop"});
    delete dir_;
  }
  static void Make(const std::string& flat, const std::string& content, const std::string& made) {
    test::WriteFile(Path(flat), content);
    const Outcome r = Quillet({"convert", Path(flat), Path(made)});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  static std::string Path(const std::string& name) { return *dir_ / name; }
  static test::TempDir* dir_;
};
test::TempDir* CommandLine::dir_ = nullptr;

TEST_F(CommandLine, UsageAndSetUpErrorsExitWithTwo) {
  EXPECT_EQ(Quillet({}).status, 2);
  EXPECT_EQ(Quillet({"convert", Path("memo.docx")}).status, 2);
  EXPECT_EQ(Quillet({"nonsense"}).status, 2);
  EXPECT_EQ(Quillet({"office", "restart"}).status, 2);
  EXPECT_EQ(Quillet({"folder", Path("in"), Path("out"), "--jobs", "0"}).status, 2);
  const Outcome unknown = Quillet({"convert", Path("memo.docx"), Path("x.txt"), "--format", "nope"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("unknown format nope"), std::string::npos) << unknown.err;
  EXPECT_EQ(Quillet({"convert", Path("memo.docx"), Path("x.xyz")}).status, 2);  // no format named
  EXPECT_EQ(Quillet({"convert", Path("memo.docx"), Path("x.txt"), "--app", "notepad"}).status, 2);
  EXPECT_EQ(Quillet({"folder", Path("no-such-folder"), Path("out")}).status, 2);
  // A format that no file's application has.
  fs::create_directories(Path("docs"));
  fs::copy_file(Path("memo.docx"), Path("docs/memo.docx"), fs::copy_options::overwrite_existing);
  EXPECT_EQ(Quillet({"folder", Path("docs"), Path("docs-out"), "--format", "csv"}).status, 2);
  EXPECT_EQ(Quillet({"--help"}).status, 0);
}

TEST_F(CommandLine, WithoutLibreOfficeTheUserIsToldWhatToInstall) {
  const test::TempDir empty;
  const std::string text =
      "quillet: LibreOffice is not installed: install the Debian packages libreoffice-core, libreoffice-writer, "
      "libreoffice-calc and libreoffice-impress\n";
  const std::vector<std::string> missing = {"QUILLET_LIBREOFFICE_PROGRAM=" + empty.path(),
                                            "QUILLET_OFFICE_PIPE=quillet-cli-none-" + std::to_string(::getpid())};
  Outcome r = Quillet({"convert", Path("book.xlsx"), Path("missing.csv")}, missing);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, text);
  r = Quillet({"office", "start"}, missing);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, text);
}

TEST_F(CommandLine, TheSharedOfficeKeepsItsProfileWhereTheCacheFolderSays) {
  // A folder name that reads as an escape in a URL: the office must be told
  // the folder itself, not the one the unescaped name decodes to.
  const test::TempDir cache;
  const std::vector<std::string> env = {"XDG_CACHE_HOME=" + (cache / "50%41off"),
                                        "QUILLET_OFFICE_PIPE=quillet-cli-cache-" + std::to_string(::getpid())};
  const Outcome r = Quillet({"office", "start"}, env);
  ASSERT_EQ(r.status, 0) << r.err;
  Quillet({"office", "stop"}, env);
  EXPECT_TRUE(fs::exists(fs::path(cache / "50%41off/quillet/office") /
                         ("shared-quillet-cli-cache-" + std::to_string(::getpid())) / "profile/user"));
  EXPECT_FALSE(fs::exists(cache / "50Aoff"));
}

TEST_F(CommandLine, ConvertTakesTheFormatFromItsNameOrTheDestination) {
  Outcome r = Quillet({"convert", Path("memo.docx"), Path("memo.pdf")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(Path("memo.pdf")).substr(0, 5), "%PDF-");
  r = Quillet({"convert", Path("book.xlsx"), Path("book.out"), "--format", "csv"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(Path("book.out")), "a,1\r\nb,2\r\n");
  r = Quillet({"convert", Path("deck.pptx"), Path("deck.txt"), "--format", "text"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(Path("deck.txt")), "Slide words\r\nMore words\r\n");
  r = Quillet({"convert", Path("memo.docx"), Path("memo.txt"), "--format", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(Path("memo.txt")), "Memo words\r\n");

  // Paths relative to the current folder.
  const fs::path here = fs::current_path();
  fs::current_path(dir_->path());
  r = Quillet({"convert", "memo.docx", "relative.txt"});
  fs::current_path(here);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(Path("relative.txt")), "Memo words\r\n");

  // A conversion that fails: status 1 and the library's text.
  test::WriteFile(Path("broken.docx"), "not a document");
  r = Quillet({"convert", Path("broken.docx"), Path("broken.txt")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quillet: The file is corrupt and cannot be opened\n");
}

TEST_F(CommandLine, ReplacedFontsArePrintedAndRecordedAndStrictFontsFails) {
  Make("fonts.fodt", test::FlatWithFonts("docx", {test::kPresentFont, test::kCompatibleFont, test::kMissingFont}),
       "fonts.docx");
  Outcome r = Quillet({"convert", Path("fonts.docx"), Path("fonts.pdf")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\nfont Calibri replaced by Carlito (same metrics)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\nfont Quillet Missing Sans replaced by DejaVu Sans (other metrics)\n"), std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("font DejaVu Sans"), std::string::npos) << r.out;
  r = Quillet({"convert", Path("memo.docx"), Path("memo-fonts.pdf")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find("\nfont "), std::string::npos) << r.out;

  r = Quillet({"convert", Path("fonts.docx"), Path("strict.pdf"), "--option", "STRICTFONTS"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("quillet: Fonts not available: Quillet Missing Sans\n"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(Path("strict.pdf")));

  const std::string in = Path("fonts-folder");
  fs::create_directories(in);
  fs::copy_file(Path("fonts.docx"), in + "/fonts.docx");
  fs::copy_file(Path("memo.docx"), in + "/memo.docx");
  for (const char* jobs : {"1", "2"}) {
    const std::string json = Path(std::string("fonts-") + jobs + ".jsonl");
    r = Quillet(
        {"folder", in, Path(std::string("fonts-out-") + jobs), "--format", "pdf", "--jobs", jobs, "--json", json});
    ASSERT_EQ(r.status, 0) << r.err;
    std::ifstream lines(json);
    std::map<std::string, nlohmann::json> records;
    for (std::string line; std::getline(lines, line);) {
      const nlohmann::json record = nlohmann::json::parse(line);
      records[record["source"]] = record;
    }
    const nlohmann::json expected =
        nlohmann::json::parse(R"([{"requested":"Calibri","used":"Carlito","same_metrics":true},)"
                              R"({"requested":"Quillet Missing Sans","used":"DejaVu Sans","same_metrics":false}])");
    EXPECT_EQ(records[in + "/fonts.docx"]["substituted_fonts"], expected) << jobs;
    EXPECT_EQ(records[in + "/memo.docx"]["substituted_fonts"], nlohmann::json::array()) << jobs;
  }
}

TEST_F(CommandLine, FolderRunWritesJsonLinesAndTheLibrarysReport) {
  const std::string in = Path("folder");
  fs::create_directories(in + "/sub");
  fs::copy_file(Path("memo.docx"), in + "/a.docx");
  fs::copy_file(Path("book.xlsx"), in + "/b.xlsx");
  fs::copy_file(Path("deck.pptx"), in + "/sub/c.pptx");
  test::WriteFile(in + "/d.docx", "PK\x03\x04 broken");

  for (const char* jobs : {"1", "2"}) {
    const std::string out = Path(std::string("folder-out-") + jobs), json = out + ".jsonl", report = out + ".report";
    const Outcome r = Quillet({"folder", in, out, "--recurse", "--jobs", jobs, "--json", json, "--report", report});
    EXPECT_EQ(r.status, 1) << r.err;
    // Not a terminal: one plain line per file, and a summary.
    EXPECT_NE(r.out.find("3 of 4 files converted, 1 failed"), std::string::npos) << r.out;

    std::ifstream lines(json);
    std::map<std::string, nlohmann::json> records;
    for (std::string line; std::getline(lines, line);) {
      const nlohmann::json record = nlohmann::json::parse(line);
      records[record["source"]] = record;
      EXPECT_GE(record["milliseconds"].get<long>(), 0);
    }
    ASSERT_EQ(records.size(), 4u) << jobs;
    EXPECT_EQ(records[in + "/a.docx"]["destination"], out + "/a.txt");
    EXPECT_EQ(records[in + "/a.docx"]["ok"], true);
    EXPECT_EQ(records[in + "/a.docx"]["error"], "");
    EXPECT_EQ(records[in + "/sub/c.pptx"]["destination"], out + "/sub/c.txt");
    EXPECT_EQ(records[in + "/d.docx"]["ok"], false);
    EXPECT_EQ(records[in + "/d.docx"]["error"], "The file is corrupt and cannot be opened");

    EXPECT_EQ(ReadFile(out + "/a.txt"), "Memo words\r\n");
    EXPECT_EQ(ReadFile(out + "/b.txt"), "a\t1\r\nb\t2\r\n");
    EXPECT_EQ(ReadFile(out + "/sub/c.txt"), "Slide words\r\nMore words\r\n");
    const std::regex line("\\d\\d:\\d\\d:\\d\\d {8}can not convert " + in + "/d\\.docx to " + out +
                          "/d\\.txt, Error Reason is The file is corrupt and cannot be opened\r\n");
    EXPECT_TRUE(std::regex_match(ReadFile(report), line)) << ReadFile(report);
  }
  // One job converted in this process, attached to the shared office; two
  // workers had an office each (a profile slot each); all are gone.
  EXPECT_EQ(Slots(), (std::vector<std::string>{"slot-0", "slot-1"}));
  EXPECT_EQ(OfficesWith("quillet-worker-"), std::vector<int>{});
}

TEST_F(CommandLine, WorkersKeepTheirTemporaryFilesApartAndLeaveNoneBehind) {
  // Word's macro route talks to its macro through a job file of a fixed name
  // in the temporary folder: workers sharing one would convert each other's
  // files.
  const std::string in = Path("macro"), out = Path("macro-out"), temp = Path("macro-temp");
  fs::create_directories(in);
  fs::create_directories(temp);
  const std::vector<std::string> names = {"one", "two", "three", "four"};
  for (const std::string& name : names)
    Make(name + ".fodt", test::FlatText("<text:p>Words of " + name + "</text:p>"), "macro/" + name + ".docx");

  const Outcome r = Quillet({"folder", in, out, "--jobs", "2", "--option", "USEMACRO"}, {"TMPDIR=" + temp});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  for (const std::string& name : names) EXPECT_EQ(ReadFile(out + "/" + name + ".txt"), "Words of " + name + "\r\n");
  // Each worker's own folder went with it: nothing is left in the one the
  // program was given.
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(temp)) left.push_back(e.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{});
}

TEST_F(CommandLine, OneShotConversionsAttachToTheSharedOffice) {
  Outcome r = Quillet({"office", "status"});
  EXPECT_EQ(r.status, 0);
  const std::vector<int> office = OfficesWith("pipe,name=" + Pipe() + ";");
  ASSERT_EQ(office.size(), 1u);
  EXPECT_EQ(r.out, "LibreOffice is listening on the pipe " + Pipe() + " (process " + std::to_string(office[0]) + ")\n");
  EXPECT_EQ(Quillet({"office", "start"}).out, r.out);  // already running: the same office

  // Conversions borrow it: none takes a profile slot to start an office of
  // its own, and it goes on running.
  const std::vector<std::string> before = Slots();
  for (const char* dest : {"attached.txt", "attached.pdf"}) {
    r = Quillet({"convert", Path("memo.docx"), Path(dest)});
    EXPECT_EQ(r.status, 0) << r.err;
  }
  r = Quillet({"convert", Path("book.xlsx"), Path("attached.csv")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(Path("attached.txt")), "Memo words\r\n");
  EXPECT_EQ(Slots(), before);
  EXPECT_EQ(OfficesWith("pipe,name=" + Pipe() + ";"), office);

  // Its pipe files: that of the pipe, and that of its single-instance check.
  const std::vector<std::string> pipes = PipeFilesOf(office[0]);
  EXPECT_EQ(pipes.size(), 2u);
  r = Quillet({"office", "stop"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "stopped the LibreOffice of the pipe " + Pipe() + " (process " + std::to_string(office[0]) + ")\n");
  EXPECT_EQ(OfficesWith("pipe,name=" + Pipe() + ";"), std::vector<int>{});
  EXPECT_FALSE(fs::exists("/tmp/OSL_PIPE_" + std::to_string(::getuid()) + "_" + Pipe()));
  for (const std::string& f : pipes) EXPECT_FALSE(fs::exists(f)) << f;
  r = Quillet({"office", "status"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "no LibreOffice listens on the pipe " + Pipe() + "\n");
  EXPECT_EQ(Quillet({"office", "stop"}).status, 0);

  // Without it a conversion starts an office of its own, which ends with it.
  r = Quillet({"convert", Path("memo.docx"), Path("alone.txt")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(Path("alone.txt")), "Memo words\r\n");
  EXPECT_EQ(OfficesWith("quillet-" + std::to_string(r.pid) + "-"), std::vector<int>{});

  ASSERT_EQ(Quillet({"office", "start"}).status, 0);  // for the tests that follow
}

TEST_F(CommandLine, AConversionThatFindsTheSharedOfficeStoppedEndsByItsDeadline) {
  const std::vector<int> office = OfficesWith("pipe,name=" + Pipe() + ";");
  ASSERT_EQ(office.size(), 1u);
  ASSERT_EQ(::kill(office[0], SIGSTOP), 0);
  // Let go on whatever happens, for the tests that follow.
  const std::unique_ptr<const int, void (*)(const int*)> resume(&office[0],
                                                                [](const int* pid) { ::kill(*pid, SIGCONT); });

  const auto start = std::chrono::steady_clock::now();
  const Outcome r = Quillet({"convert", Path("memo.docx"), Path("stopped.txt"), "--option", "TIMEOUT=3"}, {},
                            std::chrono::seconds(60));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "quillet: The document took longer than its deadline of 3 seconds: Microsoft Word does not answer and is "
            "no longer used; it was not started by the converter\n");
  EXPECT_LT(seconds, 10.0);
  EXPECT_FALSE(fs::exists(Path("stopped.txt")));
  // The shared office is the user's: left running. The program started no
  // office of its own, and left none.
  EXPECT_EQ(OfficesWith("pipe,name=" + Pipe() + ";"), office);
  EXPECT_EQ(OfficesWith("quillet-" + std::to_string(r.pid) + "-"), std::vector<int>{});
}

TEST_F(CommandLine, WhereTmpCannotBeWrittenPipesAreWhereOslSocketPathSays) {
  // As in a container whose /tmp and /var/tmp are read-only: LibreOffice
  // then puts its pipes where OSL_SOCKET_PATH says, and the program must
  // look for them there. (bubblewrap makes such a system for the program.)
  std::string why;
  if (!office::uno::OfficeIsolationWorks(why)) GTEST_SKIP() << "no mount namespace can be made here: " << why;
  const test::TempDir sockets;
  auto ours = [] {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator("/tmp"))
      if (e.path().filename().string().rfind("OSL_PIPE_" + std::to_string(::getuid()) + "_quillet-", 0) == 0)
        found.push_back(e.path());
    std::sort(found.begin(), found.end());
    return found;
  };
  const std::vector<std::string> before = ours();
  const std::vector<std::string> readOnlyTmp = {"/usr/bin/bwrap",
                                                "--die-with-parent",
                                                "--dev-bind",
                                                "/",
                                                "/",
                                                "--ro-bind",
                                                "/tmp",
                                                "/tmp",
                                                "--ro-bind-try",
                                                "/var/tmp",
                                                "/var/tmp",
                                                "--bind",
                                                dir_->path(),
                                                dir_->path(),
                                                "--bind",
                                                Cache().path(),
                                                Cache().path(),
                                                "--bind",
                                                sockets.path(),
                                                sockets.path(),
                                                "--"};
  const Outcome r = Quillet({"convert", Path("memo.docx"), Path("read-only-tmp.txt")},
                            {"OSL_SOCKET_PATH=" + sockets.path(), "QUILLET_OFFICE_PIPE=quillet-cli-test-none"},
                            std::chrono::seconds(120), readOnlyTmp);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(Path("read-only-tmp.txt")), "Memo words\r\n");
  EXPECT_EQ(ours(), before);
  // The office's pipe files, as its profile slot remembered them: there.
  std::vector<std::string> remembered;
  for (const std::string& slot : Slots()) {
    std::ifstream list(Cache() / ("quillet/office/" + slot + "/files"));
    for (std::string f; std::getline(list, f);)
      if (f.rfind(sockets.path() + "/", 0) == 0) remembered.push_back(f);
  }
  EXPECT_EQ(remembered.size(), 2u);
  // And gone with the office.
  EXPECT_TRUE(fs::is_empty(sockets.path()));
}

TEST_F(CommandLine, ThePdfSettingsReachTheLibraryAndBadOnesAreUsageErrors) {
  const std::string pdf = Path("second-slide.pdf");
  const Outcome r =
      Quillet({"convert", Path("deck.pptx"), pdf, "--pages", "2", "--pdfa"}, {"QUILLET_PASSWORD=not needed here"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string words;
  if (FILE* pipe = ::popen(("pdftotext '" + pdf + "' - ; pdfinfo -meta '" + pdf + "'").c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) words.append(buffer, n);
    ::pclose(pipe);
  }
  EXPECT_NE(words.find("More words"), std::string::npos) << words;
  EXPECT_EQ(words.find("Slide words"), std::string::npos) << words;
  EXPECT_NE(words.find("<pdfaid:part>1</pdfaid:part>"), std::string::npos) << words;
  // A list of pages is a setting too.
  const std::string listed = Path("listed.pdf");
  const Outcome list = Quillet({"convert", Path("deck.pptx"), listed, "--pages", "2, 2"});
  ASSERT_EQ(list.status, 0) << list.err;
  std::string listedWords;
  if (FILE* pipe = ::popen(("pdftotext '" + listed + "' -").c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) listedWords.append(buffer, n);
    ::pclose(pipe);
  }
  EXPECT_NE(listedWords.find("More words"), std::string::npos) << listedWords;
  EXPECT_EQ(listedWords.find("Slide words"), std::string::npos) << listedWords;

  // What the library cannot do is its error; what is no setting at all is
  // the command line's.
  const Outcome unknown = Quillet({"convert", Path("book.xlsx"), Path("book.pdf"), "--option", "PDF.Sideways=true"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.err.find("Unknown PDF export option 'PDF.Sideways'"), std::string::npos) << unknown.err;
  EXPECT_EQ(Quillet({"convert", Path("memo.docx"), Path("memo.pdf"), "--pages", "3-x"}).status, 2);
  EXPECT_EQ(Quillet({"convert", Path("memo.docx"), Path("memo.pdf"), "--pages", "1,,3"}).status, 2);
  EXPECT_EQ(Quillet({"convert", Path("memo.docx"), Path("memo.pdf"), "--pdfa=4"}).status, 2);
  const Outcome missing = Quillet({"convert", Path("memo.docx"), Path("memo.pdf"), "--password-file", Path("none")});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("the password file " + Path("none") + " cannot be read"), std::string::npos)
      << missing.err;
}

TEST_F(CommandLine, FolderWorkersAttachToWarmOffices) {
  // A second shared office beside the suite's, which is the first.
  Outcome r = Quillet({"office", "start", "--instances", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<int> first = OfficesWith("pipe,name=" + Pipe() + ";");
  const std::vector<int> second = OfficesWith("pipe,name=" + Pipe() + "-2;");
  ASSERT_EQ(first.size(), 1u);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(r.out, "LibreOffice is listening on the pipe " + Pipe() + " (process " + std::to_string(first[0]) +
                       ")\nLibreOffice is listening on the pipe " + Pipe() + "-2 (process " +
                       std::to_string(second[0]) + ")\n");

  // The workers start no office of their own: none takes a profile slot in
  // a cache of the run's own.
  const test::TempDir cache;
  fs::create_directories(Path("warm"));
  const std::vector<std::string> names = {"a", "b", "c", "d"};
  for (const std::string& name : names)
    fs::copy_file(Path("memo.docx"), Path("warm/" + name + ".docx"), fs::copy_options::overwrite_existing);
  r = Quillet({"folder", Path("warm"), Path("warm-out"), "--jobs", "2"}, {"XDG_CACHE_HOME=" + cache.path()});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  for (const std::string& name : names) EXPECT_EQ(ReadFile(Path("warm-out/" + name + ".txt")), "Memo words\r\n");
  EXPECT_FALSE(fs::exists(cache / "quillet/office")) << "a worker started an office";
  EXPECT_EQ(OfficesWith("pipe,name=" + Pipe() + "-2;"), second);

  // Stop ends both.
  r = Quillet({"office", "stop"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("stopped the LibreOffice of the pipe " + Pipe() + "-2 (process " + std::to_string(second[0])),
            std::string::npos)
      << r.out;
  EXPECT_EQ(OfficesWith("pipe,name=" + Pipe() + "-2;"), std::vector<int>{});
  ASSERT_EQ(Quillet({"office", "start"}).status, 0);  // for the tests that follow
}

TEST_F(CommandLine, FieldsAndFormatsArePrinted) {
  Outcome r = Quillet({"field", "softwarename"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Quillet COM\n");
  r = Quillet({"formats"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("pdf        .pdf          17     57         32"), std::string::npos) << r.out;
  r = Quillet({"formats", "--library"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(":100:*.docx:MS Word"), std::string::npos) << r.out;
}

// The lingering office of --keep-office and QUILLET_KEEP_OFFICE: a private
// runtime folder of the test's, and a well-known pipe where no shared office
// listens. Every test stops the office it leaves.
class LingeringOffice : public ::testing::Test {
 protected:
  void SetUp() override {
    ::chmod(run_.path().c_str(), 0700);
    test::WriteFile(dir_ / "memo.fodt", test::FlatText("<text:p>Memo words</text:p>"));
  }
  void TearDown() override {
    Quillet({"office", "stop"}, Env());
    EXPECT_EQ(Offices(), std::vector<int>{});
  }
  std::vector<std::string> Env(const std::vector<std::string>& more = {}) const {
    std::vector<std::string> env = more;
    env.insert(env.end(), {"XDG_RUNTIME_DIR=" + run_.path(), "QUILLET_OFFICE_PIPE=" + LingerPipe()});
    return env;
  }
  static std::string LingerPipe() { return Pipe() + "-none"; }
  // The lingering offices of the test's pipe, and their keepers.
  static std::vector<int> Offices() { return OfficesWith("pipe,name=" + LingerPipe() + "-linger-"); }
  std::string Folder() const { return run_ / ("quillet/office-" + LingerPipe() + "-" + QUILLET_VERSION); }
  Outcome Convert(const std::string& dest, const std::vector<std::string>& options = {"--keep-office", "4"},
                  const std::vector<std::string>& env = {}, const std::vector<std::string>& under = {}) {
    std::vector<std::string> args = {"convert", dir_ / "memo.fodt", dir_ / dest};
    args.insert(args.end(), options.begin(), options.end());
    return Quillet(args, Env(env), std::chrono::seconds(120), under);
  }
  static double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  test::TempDir run_, dir_;
};

TEST_F(LingeringOffice, TheSecondCallAttachesAndTheOfficeEndsWhenIdle) {
  auto start = std::chrono::steady_clock::now();
  Outcome r = Convert("first.txt");
  ASSERT_EQ(r.status, 0) << r.err;
  const double cold = Since(start);
  const std::vector<int> office = Offices();
  ASSERT_EQ(office.size(), 1u);
  const std::string pipeFile = "/tmp/OSL_PIPE_" + std::to_string(::getuid()) + "_" +
                               ReadFile(Folder() + "/state").substr(ReadFile(Folder() + "/state").find("pipe=") + 5);
  // Its profile and state are in the user's runtime folder, owner only.
  struct stat st {};
  ASSERT_EQ(::stat(Folder().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(fs::is_directory(Folder() + "/profile/user"));

  // The variable asks for it as the option does; the call attaches.
  start = std::chrono::steady_clock::now();
  r = Convert("second.txt", {}, {"QUILLET_KEEP_OFFICE=4"});
  ASSERT_EQ(r.status, 0) << r.err;
  // Its idle time counts from here (whole seconds of the clock: at least 3).
  const auto lastUse = std::chrono::steady_clock::now();
  EXPECT_LT(Since(start), cold / 2);
  EXPECT_EQ(ReadFile(dir_ / "second.txt"), "Memo words\r\n");
  EXPECT_EQ(Offices(), office);
  r = Quillet({"office", "status"}, Env());
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(std::regex_search(r.out, std::regex("a lingering LibreOffice listens on the pipe " + LingerPipe() +
                                                  "-linger-.* \\(process " + std::to_string(office[0]) +
                                                  ", kept by process [0-9]+\\): ends after [0-4] more idle seconds, "
                                                  "2 documents converted, [1-9][0-9]* MB resident")))
      << r.out;
  // A call that does not ask for it neither attaches nor keeps its office.
  r = Convert("alone.txt", {});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(Quillet({"office", "status"}, Env()).out.find("2 documents converted"), std::string::npos);

  // Idle for four seconds, it ends, and leaves neither its pipe nor its state.
  // (Its keeper removes the pipe's file and the state just after the office
  // has gone: the wait is for all three.)
  const std::string pipePath = pipeFile.substr(0, pipeFile.find('\n'));
  start = std::chrono::steady_clock::now();
  while ((!Offices().empty() || fs::exists(pipePath) || fs::exists(Folder() + "/state")) && Since(start) < 20)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(Offices(), std::vector<int>{});
  EXPECT_GT(Since(lastUse), 2.5);
  EXPECT_LT(Since(start), 15.0);
  EXPECT_FALSE(fs::exists(pipePath)) << pipeFile;
  EXPECT_FALSE(fs::exists(Folder() + "/state"));
  EXPECT_EQ(Quillet({"office", "status"}, Env()).status, 1);
  EXPECT_EQ(Quillet({"convert", dir_ / "memo.fodt", dir_ / "x.txt"}, Env({"QUILLET_KEEP_OFFICE=soon"})).status, 2);
}

TEST_F(LingeringOffice, TwoFirstCallsAtOnceStartOneOffice) {
  Outcome a, b;
  std::thread other([&] { b = Convert("b.txt", {"--keep-office", "30"}); });
  a = Convert("a.txt", {"--keep-office", "30"});
  other.join();
  ASSERT_EQ(a.status, 0) << a.err;
  ASSERT_EQ(b.status, 0) << b.err;
  EXPECT_EQ(Offices().size(), 1u);
  const Outcome r = Quillet({"office", "status"}, Env());
  EXPECT_NE(r.out.find("2 documents converted"), std::string::npos) << r.out;
}

TEST_F(LingeringOffice, AStoppedLingeringOfficeIsReplaced) {
  ASSERT_EQ(Convert("first.txt", {"--keep-office", "30"}).status, 0);
  const std::vector<int> stopped = Offices();
  ASSERT_EQ(stopped.size(), 1u);
  ASSERT_EQ(::kill(stopped[0], SIGSTOP), 0);
  const auto start = std::chrono::steady_clock::now();
  const Outcome r = Convert("again.txt", {"--keep-office", "30", "--option", "TIMEOUT=10"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_LT(Since(start), 10.0);
  EXPECT_EQ(ReadFile(dir_ / "again.txt"), "Memo words\r\n");
  const std::vector<int> now = Offices();
  ASSERT_EQ(now.size(), 1u);
  EXPECT_NE(now[0], stopped[0]);
  // Killed (a zombie at most: its keeper was killed with it).
  const std::string stat = ReadFile("/proc/" + std::to_string(stopped[0]) + "/stat");
  EXPECT_TRUE(stat.empty() || stat.find(") Z ") != std::string::npos) << stat;
}

TEST_F(LingeringOffice, NoOfficeIsKeptInAFolderThatIsNotTheUsersOwn) {
  // Another user's folder may be the variable's, but is refused, and its
  // office is not attached.
  ::chmod(run_.path().c_str(), 0755);
  Outcome r = Convert("open.txt");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("is not a folder of the user's own with mode 0700"), std::string::npos) << r.err;
  EXPECT_EQ(Offices(), std::vector<int>{});
  ::chmod(run_.path().c_str(), 0700);

  if (::getuid() != 0) GTEST_SKIP() << "a second user needs the test to run as root";
  ASSERT_EQ(Convert("mine.txt", {"--keep-office", "30"}).status, 0);
  const std::vector<int> office = Offices();
  ASSERT_EQ(office.size(), 1u);
  // nobody, told to use root's runtime folder (and able to read the source).
  ::chmod(dir_.path().c_str(), 0777);
  const std::vector<std::string> nobody = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                           "--"};
  r = Convert("theirs.txt", {"--keep-office", "30"}, {}, nobody);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("is not a folder of the user's own with mode 0700"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "theirs.txt"));
  r = Quillet({"office", "stop"}, Env(), std::chrono::seconds(60), nobody);
  EXPECT_EQ(Offices(), office);
  EXPECT_NE(Quillet({"office", "status"}, Env()).out.find("1 documents converted"), std::string::npos);
}

}  // namespace
}  // namespace quillet
