#include "uno/OfficeProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "automation/Failure.h"

extern char** environ;

namespace quillet::office::uno {

namespace {

// soffice.bin's exit status when it wants to be started again.
constexpr int kRestartStatus = 81;
constexpr int kMaxRestarts = 3;

}  // namespace

OfficeProcess::OfficeProcess(std::string program, std::vector<std::string> args, std::vector<std::string> environment)
    : program_(std::move(program)), args_(std::move(args)), environment_(std::move(environment)) {
  reaper_ = std::thread([this] { Run(); });
  std::unique_lock<std::mutex> guard(lock_);
  changed_.wait(guard, [this] { return started_ || ended_; });
  if (ended_ && !started_) {
    const std::string why = outcome_;
    guard.unlock();
    reaper_.join();
    throw Failure("LibreOffice cannot be started (" + program_ + "): " + why);
  }
}

OfficeProcess::~OfficeProcess() {
  Kill();
  if (reaper_.joinable()) reaper_.join();
}

pid_t OfficeProcess::pid() const {
  std::lock_guard<std::mutex> guard(lock_);
  return ended_ ? 0 : pid_;
}

bool OfficeProcess::running() const {
  std::lock_guard<std::mutex> guard(lock_);
  return !ended_;
}

std::string OfficeProcess::outcome() const {
  std::lock_guard<std::mutex> guard(lock_);
  return outcome_;
}

bool OfficeProcess::WaitForExit(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> guard(lock_);
  return changed_.wait_for(guard, timeout, [this] { return ended_; });
}

void OfficeProcess::Kill() {
  std::unique_lock<std::mutex> guard(lock_);
  stopping_ = true;
  if (!ended_ && pid_ > 0) ::kill(pid_, SIGKILL);
  changed_.wait(guard, [this] { return ended_; });
}

pid_t OfficeProcess::Spawn() {
  // Everything the child needs is made before the fork: after it, only
  // async-signal-safe calls.
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const std::string& add : environment_)
      replaced = replaced || entry.compare(0, add.find('=') + 1, add, 0, add.find('=') + 1) == 0;
    if (!replaced) env.push_back(entry);
  }
  for (const std::string& add : environment_) env.push_back(add);
  std::vector<char*> envp, argv;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = program_;
  argv.push_back(program.data());
  std::vector<std::string> args = args_;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  const pid_t parent = ::getpid();

  const pid_t child = ::fork();
  if (child == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);  // the starting thread is already gone
    if (devNull >= 0) {
      ::dup2(devNull, 0);
      ::dup2(devNull, 1);
      ::dup2(devNull, 2);
    }
    ::syscall(SYS_close_range, 3u, ~0u, 0u);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  if (devNull >= 0) ::close(devNull);
  return child;
}

void OfficeProcess::Run() {
  for (int starts = 0;; ++starts) {
    const pid_t child = Spawn();
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (child < 0) {
        outcome_ = std::string("fork failed: ") + std::strerror(errno);
        ended_ = true;
        changed_.notify_all();
        return;
      }
      pid_ = child;
      started_ = true;
      if (stopping_) ::kill(child, SIGKILL);
      changed_.notify_all();
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    std::lock_guard<std::mutex> guard(lock_);
    pid_ = 0;
    const bool restart = WIFEXITED(status) && WEXITSTATUS(status) == kRestartStatus;
    if (restart && !stopping_ && starts < kMaxRestarts) continue;
    if (WIFEXITED(status))
      outcome_ = "exited with status " + std::to_string(WEXITSTATUS(status));
    else if (WIFSIGNALED(status))
      outcome_ = "killed by signal " + std::to_string(WTERMSIG(status));
    else
      outcome_ = "ended";
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) outcome_ = "the program could not be run";
    ended_ = true;
    changed_.notify_all();
    return;
  }
}

}  // namespace quillet::office::uno
