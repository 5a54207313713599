// The office behind the stand-ins: one LibreOffice shared by the applications
// of a process, started when none listens on the well-known pipe and then
// ended with the last application's Quit or with the process, leaving no
// process and no file behind; attached when one listens, and then never ended.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "OfficeTestSupport.h"
#include "uno/Connection.h"
#include "uno/LocalContext.h"
#include "uno/OfficeProcess.h"
#include "uno/PipeFiles.h"
#include "uno/ProfileSlot.h"

extern char** environ;

namespace quillet {
namespace {

using namespace std::chrono_literals;
namespace uno = office::uno;

int StartedOffice() {
  void* lib = ::dlopen(QUILLET_OFFICE_LIB, RTLD_NOW | RTLD_NOLOAD);
  auto started = lib ? reinterpret_cast<int (*)()>(::dlsym(lib, "OfficeStartedProcess")) : nullptr;
  return started ? started() : -1;
}

bool Alive(int pid) { return pid > 0 && ::kill(pid, 0) == 0; }

bool GoneWithin(int pid, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::filesystem::exists("/proc/" + std::to_string(pid))) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

// The profile folder of a running soffice, from its command line.
std::filesystem::path ProfileOf(int pid) {
  const std::string cmdline = test::ReadFile("/proc/" + std::to_string(pid) + "/cmdline");
  const std::string key = "-env:UserInstallation=file://";
  const size_t at = cmdline.find(key);
  if (at == std::string::npos) return {};
  return cmdline.substr(at + key.size(), cmdline.find('\0', at) - at - key.size());
}

std::string PipeFile(const std::string& name) { return "/tmp/OSL_PIPE_" + std::to_string(::getuid()) + "_" + name; }

class OfficeLife : public ::testing::Test {
 protected:
  void SetUp() override { test::UseStandIns(dir_); }
  test::TempDir dir_;
};

TEST_F(OfficeLife, OneStartedOfficeServesTheProcessUntilTheLastQuit) {
  ole::Variant word(ole::CreateOleObject("Word.Application"));
  // The office is taken by the first member that needs it.
  EXPECT_EQ(StartedOffice(), 0);
  word.Get("Documents");
  const int pid = StartedOffice();
  ASSERT_GT(pid, 0);
  ole::Variant excel(ole::CreateOleObject("Excel.Application"));
  excel.Get("Workbooks");
  EXPECT_EQ(StartedOffice(), pid);

  // The profile slot it runs in, from its command line.
  const std::filesystem::path profile = ProfileOf(pid);
  ASSERT_FALSE(profile.empty());
  const std::string temp = (profile.parent_path() / "tmp").string();
  EXPECT_FALSE(test::FilesIn(temp).empty());  // soffice's own temporary files while it runs

  word.Call("Quit");
  EXPECT_TRUE(Alive(pid));
  EXPECT_EQ(test::ErrorOf([&] { word.Get("Visible"); }), "The object invoked has disconnected from its clients.");
  test::WriteFile(dir_ / "a.csv", "1,2\n");
  const ole::Variant book =
      excel.CallOrGet("Workbooks").Call("Open", {}, {{"Filename", dir_ / "a.csv"}, {"ReadOnly", true}});
  book.Call("Close", {}, {{"SaveChanges", 0}});

  excel.Call("Quit");
  EXPECT_FALSE(Alive(pid));
  EXPECT_EQ(StartedOffice(), 0);
  // Nothing of it stays: no pipe, no temporary files in its profile slot.
  for (const auto& f : std::filesystem::directory_iterator("/tmp"))
    EXPECT_EQ(
        f.path().string().find("OSL_PIPE_" + std::to_string(::getuid()) + "_quillet-" + std::to_string(::getpid())),
        std::string::npos);
  EXPECT_EQ(test::FilesIn(temp), std::vector<std::string>{});
}

// An office of the user's, listening on Pipe with a profile slot of its own.
class UsersOffice {
 public:
  explicit UsersOffice(const std::string& pipe)
      : pipe_(pipe),
        slot_(uno::ProfileSlot::Take()),
        process_(uno::ProgramFolder() + "/soffice.bin",
                 {"--headless", "--invisible", "--norestore", "--nologo", "--nolockcheck",
                  "--accept=pipe,name=" + pipe + ";urp;", "-env:UserInstallation=file://" + slot_.profileFolder()},
                 {"TMPDIR=" + slot_.tempFolder()}) {}

  // Waits until it listens; false when it did not within 30 s.
  bool Listening() const {
    for (int i = 0; i < 1500 && !std::filesystem::exists(PipeFile(pipe_)) && process_.running(); ++i)
      std::this_thread::sleep_for(20ms);
    return std::filesystem::exists(PipeFile(pipe_));
  }
  bool running() const { return process_.running(); }

  // Ends it as its user does, through Connection, which is disposed; true
  // once the process has ended.
  bool EndThrough(uno::Connection& connection) {
    try {
      connection.desktop()->terminate();
    } catch (const uno::css::uno::Exception&) {
    }
    connection.Dispose();
    return process_.WaitForExit(15s);
  }

 private:
  std::string pipe_;
  uno::ProfileSlot slot_;
  uno::OfficeProcess process_;
};

TEST_F(OfficeLife, AnOfficeListeningOnTheWellKnownPipeIsAttachedAndOutlivesQuit) {
  // An office of the user's, listening before the converter comes.
  const std::string pipe = std::getenv("QUILLET_OFFICE_PIPE");
  UsersOffice users(pipe);
  ASSERT_TRUE(users.Listening());

  {
    ole::Variant word(ole::CreateOleObject("Word.Application"));
    EXPECT_EQ(StartedOffice(), 0);  // attached, not started
    test::WriteFile(dir_ / "a.txt", "attached\n");
    const ole::Variant doc = word.CallOrGet("Documents").Call("Open", {}, {{"FileName", dir_ / "a.txt"}});
    doc.Call("Close", {}, {{"SaveChanges", 0}});
    word.Call("Quit");
  }
  EXPECT_TRUE(users.running());

  // The user ends it (after the converter let go: one connection per process).
  std::unique_ptr<uno::Connection> mine = uno::Connection::TryOpen(pipe);
  ASSERT_TRUE(mine);
  EXPECT_TRUE(users.EndThrough(*mine));
}

// The threads of this process, by their ids.
std::vector<std::string> Threads() {
  std::vector<std::string> ids;
  for (const auto& t : std::filesystem::directory_iterator("/proc/self/task")) ids.push_back(t.path().filename());
  std::sort(ids.begin(), ids.end());
  return ids;
}

// Whether thread Id blocks SIGPIPE (its "SigBlk" mask in /proc).
bool BlocksSigpipe(const std::string& id) {
  std::ifstream status("/proc/self/task/" + id + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("SigBlk:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (SIGPIPE - 1)) & 1;
  return false;
}

TEST_F(OfficeLife, TheBridgesThreadsCannotEndTheProcessWithSigpipe) {
  // (A write to an office that has just died would otherwise raise SIGPIPE
  // in the host, whose default action ends it.)
  const std::string pipe = std::getenv("QUILLET_OFFICE_PIPE");
  UsersOffice users(pipe);
  ASSERT_TRUE(users.Listening());
  uno::LocalContext();  // (the runtime's own threads are not the bridge's)

  const std::vector<std::string> before = Threads();
  std::unique_ptr<uno::Connection> mine = uno::Connection::TryOpen(pipe);
  ASSERT_TRUE(mine);
  std::vector<std::string> bridges;
  for (const std::string& id : Threads())
    if (!std::binary_search(before.begin(), before.end(), id)) bridges.push_back(id);
  EXPECT_GE(bridges.size(), 2u);  // its reader and its writer
  for (const std::string& id : bridges) EXPECT_TRUE(BlocksSigpipe(id)) << "thread " << id;
  EXPECT_FALSE(BlocksSigpipe(std::to_string(::gettid()))) << "the caller's mask was not put back";

  EXPECT_TRUE(users.EndThrough(*mine));
}

// A pipe file of another program's office, listening.
class ForeignPipe {
 public:
  explicit ForeignPipe(const std::string& name) : path_(PipeFile(name)) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path_.c_str());
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fd_, 1);
  }
  ~ForeignPipe() {
    ::close(fd_);
    ::unlink(path_.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
};

TEST_F(OfficeLife, AnOfficeTakesAwayOnlyItsOwnPipeFiles) {
  // Another office's pipe appears while ours starts: it is not ours to remove
  // when ours ends (nor for the next taker of our profile slot).
  std::unique_ptr<ForeignPipe> foreign;
  std::thread other([&] {
    std::this_thread::sleep_for(100ms);
    foreign = std::make_unique<ForeignPipe>("quillet-foreign-" + std::to_string(::getpid()));
  });
  ole::Variant word(ole::CreateOleObject("Word.Application"));
  word.Get("Documents");
  other.join();
  const int pid = StartedOffice();
  ASSERT_GT(pid, 0);
  // Its own: the pipe it accepts on, and that of its single-instance check.
  const std::vector<std::string> own = uno::PipeFilesOf(pid);
  const std::string accepting = PipeFile("quillet-" + std::to_string(::getpid()) + "-");
  EXPECT_EQ(std::count_if(own.begin(), own.end(), [&](const std::string& f) { return f.rfind(accepting, 0) == 0; }), 1);
  EXPECT_EQ(own.size(), 2u);
  EXPECT_EQ(std::find(own.begin(), own.end(), foreign->path()), own.end());
  // What the slot remembers to remove should this office be killed.
  std::vector<std::string> remembered;
  std::ifstream list(ProfileOf(pid).parent_path() / "files");
  for (std::string f; std::getline(list, f);) remembered.push_back(f);
  std::sort(remembered.begin(), remembered.end());
  EXPECT_EQ(remembered, own);
  word.Call("Quit");
  EXPECT_FALSE(Alive(pid));
}

// Runs the holder with Mode; its first line is the pid of its office.
int RunHolder(const std::string& mode, pid_t& holder, FILE*& out) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  std::string program = OFFICE_HOLDER, lib = QUILLET_OFFICE_LIB;
  char* argv[] = {program.data(), lib.data(), const_cast<char*>(mode.c_str()), nullptr};
  const int rc = ::posix_spawn(&holder, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (rc != 0) return -1;
  out = ::fdopen(fds[0], "r");
  int pid = -1;
  if (!out || std::fscanf(out, "%d", &pid) != 1) return -1;
  return pid;
}

TEST_F(OfficeLife, AProgramThatEndsWithoutQuitLeavesNoOfficeBehind) {
  for (const std::string mode : {"exit", "wait"}) {
    pid_t holder = 0;
    FILE* out = nullptr;
    const int office = RunHolder(mode, holder, out);
    ASSERT_GT(office, 0) << mode;
    EXPECT_TRUE(Alive(office));
    const std::filesystem::path profile = ProfileOf(office);
    if (mode == "wait") ::kill(holder, SIGKILL);  // a crash: no exit handler runs
    int status = 0;
    ::waitpid(holder, &status, 0);
    if (out) std::fclose(out);
    EXPECT_TRUE(GoneWithin(office, 10s)) << mode;
    const std::string slotName = profile.parent_path().filename().string();  // "slot-N"
    const std::string pipe = PipeFile("quillet-" + std::to_string(holder) + "-" + slotName.substr(5) + "-0");
    if (mode == "exit") {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
      EXPECT_FALSE(std::filesystem::exists(pipe));
    } else {
      // The killed office could not remove its pipe: the next taker of its
      // slot does.
      const int number = std::stoi(slotName.substr(5));
      std::vector<uno::ProfileSlot> taken;
      while (taken.empty() || taken.back().number() < number) taken.push_back(uno::ProfileSlot::Take());
      EXPECT_EQ(taken.back().number(), number) << "the slot was taken by another program meanwhile";
      EXPECT_FALSE(std::filesystem::exists(pipe));
      EXPECT_EQ(test::FilesIn(taken.back().tempFolder()), std::vector<std::string>{});
    }
  }
}

}  // namespace
}  // namespace quillet
