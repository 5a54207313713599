// An soffice.bin process of our own. One thread of this process starts it,
// waits for it and reaps it; soffice is started again when it asks for a
// restart (as it does once after building a new profile), and it is made to
// die with the thread that started it, so that no office is left behind when
// this process ends without giving it back.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillet::office::uno {

class OfficeProcess {
 public:
  // Program and its arguments (without the program itself); Environment are
  // NAME=value entries added to this process's environment.
  OfficeProcess(std::string program, std::vector<std::string> args, std::vector<std::string> environment);
  OfficeProcess(const OfficeProcess&) = delete;
  OfficeProcess& operator=(const OfficeProcess&) = delete;
  // Kills the process if it still runs and waits for it.
  ~OfficeProcess();

  // The process id of the running soffice, 0 when none runs.
  pid_t pid() const;
  bool running() const;
  // Why it ended ("exited with status 1", "killed by signal 9"); empty while it runs.
  std::string outcome() const;
  // True when the process has ended within Timeout.
  bool WaitForExit(std::chrono::milliseconds timeout);
  // SIGKILL, then waits for the end.
  void Kill();

 private:
  void Run();
  pid_t Spawn();

  std::string program_;
  std::vector<std::string> args_, environment_;
  mutable std::mutex lock_;
  std::condition_variable changed_;
  pid_t pid_ = 0;
  bool started_ = false, ended_ = false, stopping_ = false;
  std::string outcome_;
  std::thread reaper_;
};

}  // namespace quillet::office::uno
