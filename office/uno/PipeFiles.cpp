#include "uno/PipeFiles.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace quillet::office::uno {

std::vector<std::string> PipeFilesOf(pid_t pid) {
  // The inodes of the process's sockets ("socket:[123]").
  std::set<std::string> inodes;
  std::error_code ec;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
    const std::string target = std::filesystem::read_symlink(fd.path(), ec).string();
    if (!ec && target.rfind("socket:[", 0) == 0) inodes.insert(target.substr(8, target.size() - 9));
  }
  // The bound Unix sockets of the system: "Num RefCount Protocol Flags Type St Inode Path".
  const std::string prefix = "OSL_PIPE_" + std::to_string(::getuid()) + "_";
  // (A connection it accepted shows the path of its listening socket too.)
  std::set<std::string> files;
  std::ifstream table("/proc/net/unix");
  std::string line;
  std::getline(table, line);
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string num, refs, protocol, flags, type, state, inode, path;
    if (fields >> num >> refs >> protocol >> flags >> type >> state >> inode >> path && inodes.count(inode) &&
        std::filesystem::path(path).filename().string().rfind(prefix, 0) == 0)
      files.insert(path);
  }
  return {files.begin(), files.end()};
}

}  // namespace quillet::office::uno
