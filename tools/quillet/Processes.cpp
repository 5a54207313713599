#include "Processes.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "uno/PipeFiles.h"

namespace quillet::cli {

namespace fs = std::filesystem;

std::vector<pid_t> Descendants(pid_t pid) {
  std::vector<pid_t> tree = office::uno::ProcessTree(pid);
  tree.erase(tree.begin());  // Pid itself
  return tree;
}

uint64_t ResidentBytes(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/statm");
  unsigned long long size = 0, resident = 0;
  if (!(in >> size >> resident)) return 0;
  return resident * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
}

// A process whose main thread has ended shows as a zombie while its other
// threads still run: it is gone when its last thread is.
bool Running(pid_t pid) {
  std::error_code ec;
  for (const auto& t : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
    std::ifstream stat(t.path() / "stat");
    std::string line;
    std::getline(stat, line);
    const size_t close = line.rfind(')');
    if (close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z' && line[close + 2] != 'X')
      return true;
  }
  return false;
}

void KillAll(const std::vector<pid_t>& pids) {
  for (const pid_t pid : pids) ::kill(pid, SIGKILL);
}

bool AllGone(const std::vector<pid_t>& pids, int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (const pid_t pid : pids)
    while (Running(pid)) {
      if (std::chrono::steady_clock::now() >= end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  return true;
}

}  // namespace quillet::cli
