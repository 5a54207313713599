#include "Processes.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
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

namespace {

// The state letter of a process or thread by its stat file (R, S, T, Z ...);
// 0 when it cannot be read. The name before it is in parentheses and may
// hold anything, so the letter is found after the last ")".
char StateIn(const fs::path& statFile) {
  std::ifstream stat(statFile);
  std::string line;
  std::getline(stat, line);
  const size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() ? line[close + 2] : '\0';
}

}  // namespace

// A process whose main thread has ended shows as a zombie while its other
// threads still run: it is gone when its last thread is.
bool Running(pid_t pid) {
  std::error_code ec;
  for (const auto& t : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
    const char state = StateIn(t.path() / "stat");
    if (state != '\0' && state != 'Z' && state != 'X') return true;
  }
  return false;
}

bool Stopped(pid_t pid) {
  const char state = StateIn("/proc/" + std::to_string(pid) + "/stat");
  return state == 'T' || state == 't';
}

std::string CommandLineOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (char& c : text)
    if (c == '\0') c = ' ';
  return text;
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
