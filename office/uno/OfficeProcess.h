// An soffice.bin process of our own. One thread of this process starts it,
// waits for it and reaps it; soffice is started again when it asks for a
// restart (as it does once after building a new profile). Unless it is
// started detached, it is made to die with the thread that started it, so
// that no office is left behind when this process ends without giving it
// back.
//
// Thread rules: every member may be called from any thread; Kill releases a
// WaitForExit or a WaitUntilAccepting of another thread.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "uno/Launcher.h"

namespace quillet::office::uno {

class OfficeProcess {
 public:
  // soffice listening on the launch's pipe with its profile; raises Failure
  // when soffice is missing or cannot be started.
  explicit OfficeProcess(const OfficeLaunch& launch);
  // Program and its arguments (without the program itself); Environment are
  // NAME=value entries added to this process's environment.
  OfficeProcess(std::string program, std::vector<std::string> args, std::vector<std::string> environment);
  OfficeProcess(const OfficeProcess&) = delete;
  OfficeProcess& operator=(const OfficeProcess&) = delete;
  // Kills the process if it still runs and waits for it (unless released).
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

  // Polls Accepts until it is true. Raises Failure when the process ends
  // first, or when Deadline passes (the process is killed then).
  void WaitUntilAccepting(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& accepts);
  // Lets a detached office run on when this object goes; its process id.
  pid_t Release();

 private:
  struct State;
  OfficeProcess(OfficeCommand command, bool detached);

  std::shared_ptr<State> state_;
  std::thread reaper_;
};

}  // namespace quillet::office::uno
