#include "uno/OfficeProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "automation/Failure.h"

extern char** environ;

namespace quillet::office::uno {

namespace {

using namespace std::chrono_literals;

// soffice.bin's exit status when it wants to be started again.
constexpr int kRestartStatus = 81;
constexpr int kMaxRestarts = 3;

OfficeCommand Checked(const OfficeLaunch& launch) {
  RequireSoffice(launch.programFolder);
  // A socket's name has room for 107 bytes: LibreOffice could not listen
  // on a longer one, and the start would wait for it in vain.
  if (const std::string file = PipeFileOf(launch); file.size() >= sizeof(sockaddr_un::sun_path))
    throw Failure("LibreOffice cannot listen on its pipe: the socket's name is too long (" + file + ")");
  PrepareLaunch(launch);
  return CommandOf(launch);
}

}  // namespace

// What the reaper thread and the object share: the reaper of a released
// process outlives the object.
struct OfficeProcess::State {
  OfficeCommand command;
  bool detached = false;
  std::mutex lock;
  std::condition_variable changed;
  pid_t pid = 0;
  bool started = false, ended = false, stopping = false;
  std::string outcome;

  void Run();
  pid_t Spawn();
};

OfficeProcess::OfficeProcess(const OfficeLaunch& launch) : OfficeProcess(Checked(launch), launch.detached) {}

OfficeProcess::OfficeProcess(std::string program, std::vector<std::string> args, std::vector<std::string> environment)
    : OfficeProcess(OfficeCommand{std::move(program), std::move(args), std::move(environment)}, false) {}

OfficeProcess::OfficeProcess(OfficeCommand command, bool detached) : state_(std::make_shared<State>()) {
  state_->command = std::move(command);
  state_->detached = detached;
  reaper_ = std::thread([state = state_] { state->Run(); });
  std::unique_lock<std::mutex> guard(state_->lock);
  state_->changed.wait(guard, [this] { return state_->started || state_->ended; });
  if (state_->ended && !state_->started) {
    const std::string why = state_->outcome;
    guard.unlock();
    reaper_.join();
    throw Failure("LibreOffice cannot be started (" + state_->command.program + "): " + why);
  }
}

OfficeProcess::~OfficeProcess() {
  if (!reaper_.joinable()) return;  // released
  Kill();
  reaper_.join();
}

pid_t OfficeProcess::pid() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->ended ? 0 : state_->pid;
}

bool OfficeProcess::running() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return !state_->ended;
}

std::string OfficeProcess::outcome() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->outcome;
}

bool OfficeProcess::WaitForExit(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> guard(state_->lock);
  return state_->changed.wait_for(guard, timeout, [this] { return state_->ended; });
}

void OfficeProcess::Kill() {
  std::unique_lock<std::mutex> guard(state_->lock);
  state_->stopping = true;
  if (!state_->ended && state_->pid > 0) ::kill(state_->pid, SIGKILL);
  state_->changed.wait(guard, [this] { return state_->ended; });
}

void OfficeProcess::WaitUntilAccepting(std::chrono::steady_clock::time_point deadline,
                                       const std::function<bool()>& accepts) {
  for (;;) {
    if (!running()) throw Failure("LibreOffice ended while starting: " + outcome());
    if (std::chrono::steady_clock::now() > deadline) {
      Kill();
      throw Failure("LibreOffice did not accept a connection in time");
    }
    if (accepts()) return;
    std::this_thread::sleep_for(20ms);
  }
}

pid_t OfficeProcess::Release() {
  const pid_t running = pid();
  if (state_->detached && reaper_.joinable()) reaper_.detach();
  return running;
}

pid_t OfficeProcess::State::Spawn() {
  // Everything the child needs is made before the fork: after it, only
  // async-signal-safe calls.
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const std::string& add : command.environment)
      replaced = replaced || entry.compare(0, add.find('=') + 1, add, 0, add.find('=') + 1) == 0;
    if (!replaced) env.push_back(entry);
  }
  for (const std::string& add : command.environment) env.push_back(add);
  std::vector<char*> envp, argv;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = command.program;
  argv.push_back(program.data());
  std::vector<std::string> args = command.args;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  const pid_t parent = ::getpid();
  const bool own_session = detached;

  const pid_t child = ::fork();
  if (child == 0) {
    if (own_session) {
      ::setsid();
    } else {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (::getppid() != parent) ::_exit(127);  // the starting thread is already gone
    }
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

void OfficeProcess::State::Run() {
  for (int starts = 0;; ++starts) {
    const pid_t child = Spawn();
    {
      std::lock_guard<std::mutex> guard(lock);
      if (child < 0) {
        outcome = std::string("fork failed: ") + std::strerror(errno);
        ended = true;
        changed.notify_all();
        return;
      }
      pid = child;
      started = true;
      if (stopping) ::kill(child, SIGKILL);
      changed.notify_all();
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    std::lock_guard<std::mutex> guard(lock);
    pid = 0;
    const bool restart = WIFEXITED(status) && WEXITSTATUS(status) == kRestartStatus;
    if (restart && !stopping && starts < kMaxRestarts) continue;
    if (WIFEXITED(status) && command.signalAsStatus && WEXITSTATUS(status) > 128)
      outcome = "killed by signal " + std::to_string(WEXITSTATUS(status) - 128);
    else if (WIFEXITED(status))
      outcome = "exited with status " + std::to_string(WEXITSTATUS(status));
    else if (WIFSIGNALED(status))
      outcome = "killed by signal " + std::to_string(WTERMSIG(status));
    else
      outcome = "ended";
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) outcome = "the program could not be run";
    ended = true;
    changed.notify_all();
    return;
  }
}

}  // namespace quillet::office::uno
