#include "SharedOffice.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "uno/PipeFiles.h"

extern char** environ;

namespace quillet::cli {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// soffice.bin's exit status when it wants to be started again (after it
// built a new profile).
constexpr int kRestartStatus = 81;

std::string SocketOf(const std::string& pipe) {
  return "/tmp/OSL_PIPE_" + std::to_string(::getuid()) + "_" + pipe;
}

fs::path SharedFolder(const std::string& pipe) {
  fs::path base;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg)
    base = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home)
    base = fs::path(home) / ".cache";
  else
    base = fs::temp_directory_path() / ("quillet-" + std::to_string(::getuid()));
  return base / "quillet/office" / ("shared-" + pipe);
}

std::string ProgramFolder() {
  if (const char* folder = std::getenv("QUILLET_LIBREOFFICE_PROGRAM"); folder && *folder) return folder;
  return QUILLET_LIBREOFFICE_PROGRAM;
}

bool Accepting(const std::string& pipe) {
  const std::string path = SocketOf(pipe);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return ok;
}

std::vector<std::string> CommandLine(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
  std::vector<std::string> args;
  std::string arg;
  while (std::getline(in, arg, '\0')) args.push_back(arg);
  return args;
}

bool ListensOn(const std::vector<std::string>& args, const std::string& pipe) {
  if (args.empty() || fs::path(args[0]).filename() != "soffice.bin") return false;
  const std::string key = "pipe,name=" + pipe;
  for (const std::string& a : args) {
    const size_t at = a.find(key);
    if (at != std::string::npos && (at + key.size() == a.size() || a[at + key.size()] == ';')) return true;
  }
  return false;
}

// A process whose main thread has ended shows as a zombie while its other
// threads still run: it is gone when its last thread is.
bool Running(int pid) {
  const std::string task = "/proc/" + std::to_string(pid) + "/task";
  std::error_code ec;
  for (const auto& t : fs::directory_iterator(task, ec)) {
    std::ifstream stat(t.path() / "stat");
    std::string line;
    std::getline(stat, line);
    const size_t close = line.rfind(')');
    if (close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z' && line[close + 2] != 'X')
      return true;
  }
  return false;
}

// Starts soffice.bin in a session of its own, apart from this program.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args, const std::string& tmp) {
  std::vector<std::string> all = {program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e)
    if (std::strncmp(*e, "TMPDIR=", 7) != 0) env.push_back(*e);
  env.push_back("TMPDIR=" + tmp);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::setsid();
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
      ::dup2(null, 0);
      ::dup2(null, 1);
      ::dup2(null, 2);
    }
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  return child;
}

// Holds the start lock of the pipe's office while it lives.
class StartLock {
 public:
  explicit StartLock(const fs::path& file) : fd_(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_ < 0 || ::flock(fd_, LOCK_EX) != 0) throw std::runtime_error("cannot lock " + file.string());
  }
  ~StartLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  StartLock(const StartLock&) = delete;
  StartLock& operator=(const StartLock&) = delete;

 private:
  int fd_;
};

void Empty(const fs::path& folder) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) fs::remove_all(e.path(), ec);
}

}  // namespace

std::string WellKnownPipe() {
  if (const char* pipe = std::getenv("QUILLET_OFFICE_PIPE"); pipe && *pipe) return pipe;
  return "quillet-office";
}

std::string InstancePipe(const std::string& pipe, size_t i) {
  return i == 0 ? pipe : pipe + "-" + std::to_string(i + 1);
}

std::vector<std::string> WarmInstances(const std::string& pipe, size_t limit) {
  std::vector<std::string> pipes;
  while (pipes.size() < limit && Accepting(InstancePipe(pipe, pipes.size())))
    pipes.push_back(InstancePipe(pipe, pipes.size()));
  return pipes;
}

OfficeState QueryOffice(const std::string& pipe) {
  OfficeState state;
  state.accepting = Accepting(pipe);
  std::error_code ec;
  for (const auto& e : fs::directory_iterator("/proc", ec)) {
    const std::string name = e.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const int pid = std::stoi(name);
    if (ListensOn(CommandLine(pid), pipe) && Running(pid)) state.pids.push_back(pid);
  }
  return state;
}

int StartOffice(const std::string& pipe) {
  const std::string program = ProgramFolder() + "/soffice.bin";
  if (::access(program.c_str(), X_OK) != 0)
    throw std::runtime_error(
        "LibreOffice is not installed: install the Debian packages libreoffice-core, libreoffice-writer, "
        "libreoffice-calc and libreoffice-impress");
  const fs::path folder = SharedFolder(pipe);
  std::error_code ec;
  fs::create_directories(folder / "tmp", ec);
  fs::create_directories(folder / "profile", ec);
  if (ec) throw std::runtime_error("cannot make " + folder.string() + ": " + ec.message());
  const StartLock lock(folder.string() + ".lock");
  if (const OfficeState state = QueryOffice(pipe); state.accepting && !state.pids.empty()) return state.pids.front();
  if (Accepting(pipe)) throw std::runtime_error("something that is not LibreOffice accepts on the pipe " + pipe);
  Empty(folder / "tmp");
  fs::remove(folder / "profile/.lock", ec);
  fs::remove(SocketOf(pipe), ec);  // left by an office that was killed

  const std::vector<std::string> args = {
      "--headless", "--invisible", "--nologo", "--norestore", "--nodefault", "--nolockcheck",
      "--accept=pipe,name=" + pipe + ";urp;", "-env:UserInstallation=file://" + (folder / "profile").string()};
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  pid_t pid = Spawn(program, args, (folder / "tmp").string());
  for (;;) {
    if (pid < 0) throw std::runtime_error("LibreOffice cannot be started: " + std::string(std::strerror(errno)));
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      if (WIFEXITED(status) && WEXITSTATUS(status) == kRestartStatus) {
        pid = Spawn(program, args, (folder / "tmp").string());
        continue;
      }
      throw std::runtime_error("LibreOffice ended while starting (" +
                               (WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                                                    : "status " + std::to_string(WEXITSTATUS(status))) +
                               ")");
    }
    if (Accepting(pipe)) return pid;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      throw std::runtime_error("LibreOffice did not accept connections in time");
    }
    std::this_thread::sleep_for(20ms);
  }
}

std::vector<int> StopOffice(const std::string& pipe) {
  const OfficeState state = QueryOffice(pipe);
  // The pipe files it listens on (that of the pipe, and that of its
  // single-instance check), which an office ended by a signal leaves.
  std::vector<std::string> files = {SocketOf(pipe)};
  for (int pid : state.pids)
    for (const std::string& f : office::uno::PipeFilesOf(pid)) files.push_back(f);
  for (int pid : state.pids) ::kill(pid, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + 15s;
  for (int pid : state.pids) {
    while (Running(pid) && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(20ms);
    if (Running(pid)) ::kill(pid, SIGKILL);
    while (Running(pid)) std::this_thread::sleep_for(20ms);
  }
  // An office ended by a signal leaves its pipes, its profile's lock and
  // its temporary files.
  while (Accepting(pipe) && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(20ms);
  std::error_code ec;
  if (!Accepting(pipe))
    for (const std::string& f : files) fs::remove(f, ec);
  const fs::path folder = SharedFolder(pipe);
  if (fs::exists(folder, ec)) {
    fs::remove(folder / "profile/.lock", ec);
    Empty(folder / "tmp");
  }
  return state.pids;
}

}  // namespace quillet::cli
