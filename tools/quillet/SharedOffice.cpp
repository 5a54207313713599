#include "SharedOffice.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "Processes.h"
#include "uno/OfficeProcess.h"
#include "uno/PipeFiles.h"

namespace quillet::cli {

namespace fs = std::filesystem;
using office::uno::PipeAccepts;
using office::uno::PipeFile;
using namespace std::chrono_literals;

namespace {

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

std::string WellKnownPipe() { return office::uno::WellKnownPipe(); }

std::string InstancePipe(const std::string& pipe, size_t i) {
  return i == 0 ? pipe : pipe + "-" + std::to_string(i + 1);
}

std::vector<std::string> WarmInstances(const std::string& pipe, size_t limit) {
  std::vector<std::string> pipes;
  while (pipes.size() < limit && PipeAccepts(InstancePipe(pipe, pipes.size())))
    pipes.push_back(InstancePipe(pipe, pipes.size()));
  return pipes;
}

OfficeState QueryOffice(const std::string& pipe) {
  OfficeState state;
  state.accepting = PipeAccepts(pipe);
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
  office::uno::RequireSoffice(ProgramFolder());
  const fs::path folder = SharedFolder(pipe);
  std::error_code ec;
  fs::create_directories(folder / "tmp", ec);
  fs::create_directories(folder / "profile", ec);
  if (ec) throw std::runtime_error("cannot make " + folder.string() + ": " + ec.message());
  const StartLock lock(folder.string() + ".lock");
  if (const OfficeState state = QueryOffice(pipe); state.accepting && !state.pids.empty()) return state.pids.front();
  if (PipeAccepts(pipe)) throw std::runtime_error("something that is not LibreOffice accepts on the pipe " + pipe);
  Empty(folder / "tmp");
  fs::remove(folder / "profile/.lock", ec);
  fs::remove(PipeFile(pipe), ec);  // left by an office that was killed

  office::uno::OfficeProcess soffice(office::uno::OfficeLaunch{ProgramFolder(), pipe, (folder / "profile").string(),
                                                               (folder / "tmp").string(), /*detached=*/true});
  soffice.WaitUntilAccepting(std::chrono::steady_clock::now() + 60s, [&] { return PipeAccepts(pipe); });
  return soffice.Release();
}

std::vector<int> StopOffice(const std::string& pipe) {
  const OfficeState state = QueryOffice(pipe);
  // The pipe files it listens on (that of the pipe, and that of its
  // single-instance check), which an office ended by a signal leaves.
  std::vector<std::string> files = {PipeFile(pipe)};
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
  while (PipeAccepts(pipe) && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(20ms);
  std::error_code ec;
  if (!PipeAccepts(pipe))
    for (const std::string& f : files) fs::remove(f, ec);
  const fs::path folder = SharedFolder(pipe);
  if (fs::exists(folder, ec)) {
    fs::remove(folder / "profile/.lock", ec);
    Empty(folder / "tmp");
  }
  return state.pids;
}

}  // namespace quillet::cli
