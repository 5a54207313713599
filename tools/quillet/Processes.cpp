#include "Processes.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

namespace quillet::cli {

namespace fs = std::filesystem;

namespace {

// The fields after the name in /proc/PID/stat ("S 1234 ..."): the name may
// hold blanks and parentheses, so it is skipped up to its last ')'.
std::string StatAfterName(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(in, line);
  const size_t close = line.rfind(')');
  return close == std::string::npos || close + 2 >= line.size() ? std::string() : line.substr(close + 2);
}

}  // namespace

std::vector<pid_t> Descendants(pid_t pid) {
  // Parent of every process, read once.
  std::multimap<pid_t, pid_t> children;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator("/proc", ec)) {
    const std::string name = e.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    const pid_t child = static_cast<pid_t>(std::stol(name));
    const std::string fields = StatAfterName(child);
    const size_t blank = fields.find(' ');
    if (blank == std::string::npos) continue;
    children.emplace(static_cast<pid_t>(std::atol(fields.c_str() + blank + 1)), child);
  }
  std::vector<pid_t> found;
  std::vector<pid_t> next = {pid};
  while (!next.empty()) {
    const pid_t parent = next.back();
    next.pop_back();
    const auto [from, to] = children.equal_range(parent);
    for (auto it = from; it != to; ++it) {
      found.push_back(it->second);
      next.push_back(it->second);
    }
  }
  return found;
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
