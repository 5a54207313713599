#include "uno/PipeFiles.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace quillet::office::uno {

std::string PipeFileName(const std::string& pipe) { return "OSL_PIPE_" + std::to_string(::getuid()) + "_" + pipe; }

std::vector<pid_t> ProcessTree(pid_t pid) {
  std::multimap<pid_t, pid_t> children;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator("/proc", ec)) {
    const std::string name = e.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(e.path() / "stat");
    std::string line;
    std::getline(stat, line);
    // pid (comm) state ppid ...
    const size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 1));
    std::string state;
    pid_t parent = 0;
    if (rest >> state >> parent) children.emplace(parent, static_cast<pid_t>(std::stol(name)));
  }
  std::vector<pid_t> tree = {pid};
  for (size_t i = 0; i < tree.size(); ++i) {
    const auto [first, last] = children.equal_range(tree[i]);
    for (auto c = first; c != last; ++c) tree.push_back(c->second);
  }
  return tree;
}

std::vector<std::string> PipeFilesOf(pid_t pid) {
  const std::string prefix = PipeFileName("");
  std::set<std::string> files;
  for (const pid_t process : ProcessTree(pid)) {
    const std::string proc = "/proc/" + std::to_string(process);
    // The inodes of the process's sockets ("socket:[123]").
    std::set<std::string> inodes;
    std::error_code ec;
    for (const auto& fd : std::filesystem::directory_iterator(proc + "/fd", ec)) {
      const std::string target = std::filesystem::read_symlink(fd.path(), ec).string();
      if (!ec && target.rfind("socket:[", 0) == 0) inodes.insert(target.substr(8, target.size() - 9));
    }
    if (inodes.empty()) continue;
    // The bound Unix sockets of the process's network namespace (an isolated
    // office has its own): "Num RefCount Protocol Flags Type St Inode Path".
    // (A connection it accepted shows the path of its listening socket too.)
    std::ifstream table(proc + "/net/unix");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
      std::istringstream fields(line);
      std::string num, refs, protocol, flags, type, state, inode, path;
      if (fields >> num >> refs >> protocol >> flags >> type >> state >> inode >> path && inodes.count(inode) &&
          std::filesystem::path(path).filename().string().rfind(prefix, 0) == 0)
        files.insert(path);
    }
  }
  return {files.begin(), files.end()};
}

}  // namespace quillet::office::uno
