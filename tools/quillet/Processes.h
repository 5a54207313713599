// The processes under one of ours (a worker's office, with the sandbox it
// runs in), found through /proc: to measure them, and to end them.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quillet::cli {

// The processes whose parent, or parent's parent and so on, is Pid.
std::vector<pid_t> Descendants(pid_t pid);
// The resident memory of Pid in bytes; 0 once it has gone.
uint64_t ResidentBytes(pid_t pid);
// Whether Pid still runs (a zombie does not).
bool Running(pid_t pid);
// Whether Pid is stopped by a signal or a tracer: it answers nothing until
// it is continued.
bool Stopped(pid_t pid);
// Pid's command line, its arguments joined by blanks; empty once it has gone.
std::string CommandLineOf(pid_t pid);
// SIGKILL to each of Pids.
void KillAll(const std::vector<pid_t>& pids);
// Waits until none of Pids runs, at most Milliseconds; true when none does.
bool AllGone(const std::vector<pid_t>& pids, int milliseconds);

}  // namespace quillet::cli
