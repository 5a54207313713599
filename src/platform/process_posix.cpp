#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "platform/fs.h"
#include "platform/path.h"
#include "platform/process.h"

extern char** environ;

namespace quillet::os {

namespace {

// A program started without waiting becomes a zombie when it ends until its
// parent collects it; Windows has no such thing. The ids of such programs are
// kept here and collected, without blocking, whenever another one starts.
std::mutex g_unwaitedLock;
std::vector<pid_t> g_unwaited;

void CollectFinished() {
  std::lock_guard<std::mutex> lock(g_unwaitedLock);
  std::erase_if(g_unwaited, [](pid_t pid) {
    int status;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    return r == pid || (r < 0 && errno == ECHILD);
  });
}

struct FileActions {
  posix_spawn_file_actions_t actions;
  FileActions() { ::posix_spawn_file_actions_init(&actions); }
  ~FileActions() { ::posix_spawn_file_actions_destroy(&actions); }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
};

pid_t Start(const std::string& program, const std::string& params) {
  if (program.empty()) return 0;
  // The child changes folder before it runs the program, so a relative path
  // must be made absolute first; a bare name is searched along PATH instead
  // and keeps the caller's folder.
  const bool bare = path::LastDelimiter(program) == std::string::npos;
  const std::string file = bare || path::IsAbsolute(program) ? program : path::JoinToCurrent(GetCurrentDir(), program);
  FileActions actions;
  if (!bare && ::posix_spawn_file_actions_addchdir_np(&actions.actions, path::ExtractFileDir(file).c_str()) != 0)
    return 0;

  std::vector<std::string> args = SplitParameters(params);
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  const int rc = bare ? ::posix_spawnp(&pid, file.c_str(), &actions.actions, nullptr, argv.data(), environ)
                      : ::posix_spawn(&pid, file.c_str(), &actions.actions, nullptr, argv.data(), environ);
  return rc == 0 ? pid : 0;
}

}  // namespace

uint32_t CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }

uint32_t StartProgram(const std::string& program, const std::string& params, int /*show*/) {
  CollectFinished();
  const pid_t pid = Start(program, params);
  if (pid > 0) {
    std::lock_guard<std::mutex> lock(g_unwaitedLock);
    g_unwaited.push_back(pid);
  }
  return static_cast<uint32_t>(pid);
}

bool StartProgramAndWait(const std::string& program, const std::string& params, int /*show*/) {
  CollectFinished();
  const pid_t pid = Start(program, params);
  if (pid <= 0) return false;
  int status;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return true;
}

bool ProcessAlive(uint32_t pid) {
  if (pid == 0) return false;
  // A child of ours that ended is collected here and counts as gone.
  int status;
  if (::waitpid(static_cast<pid_t>(pid), &status, WNOHANG) == static_cast<pid_t>(pid)) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0;
}

bool EndProcess(uint32_t pid) {
  if (pid == 0) return true;
  ::kill(static_cast<pid_t>(pid), SIGKILL);
  for (int i = 0; i < 500; ++i) {
    if (!ProcessAlive(pid)) return true;
    ::usleep(10000);
  }
  return false;
}

std::vector<uint32_t> ProcessesNamed(const std::string&) { return {}; }

uint32_t CurrentThreadId() { return static_cast<uint32_t>(::gettid()); }

}  // namespace quillet::os
