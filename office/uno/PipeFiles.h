// The socket files of LibreOffice's pipes (<folder>/OSL_PIPE_<uid>_<name>:
// the one it accepts connections on, and that of its single-instance check),
// which an soffice that is killed leaves behind. Their folder is the one
// LibreOffice chose (see PipeFolder in Launcher.h; an isolated office has
// its own).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace quillet::office::uno {

// The name LibreOffice gives the socket file of pipe Name in its folder:
// OSL_PIPE_<uid>_<name>. With an empty name, what every pipe file's name of
// this user begins with.
std::string PipeFileName(const std::string& pipe);

// The pipe files that process Pid, or a process it started (soffice under
// bubblewrap), listens on, found through their sockets: never those of
// another process, whoever made them at the same time.
std::vector<std::string> PipeFilesOf(pid_t pid);

// Pid, the processes it started, and theirs.
std::vector<pid_t> ProcessTree(pid_t pid);

}  // namespace quillet::office::uno
