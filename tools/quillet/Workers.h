// Worker processes for a folder run with --jobs N. The engine serves one
// request at a time per process, and each process has an office of its own,
// so N files convert at once in N workers: this program started again in
// its worker mode ("quillet worker"), each told to start its own LibreOffice
// rather than share one, and each given a temporary folder of its own
// (TMPDIR), removed once it has ended. A worker takes requests on its
// standard input and answers each on its standard output, in fields ended by
// NUL bytes (any bytes may be in a path): source, destination, format,
// option, then its confinement (the request's folder, the memory and result
// ceilings in bytes; empty and 0 for none); then ok ("1" or "0"), error,
// milliseconds, the kind of failure (a number of enum Failure), the
// library's code of it, and the fonts replaced in the document (the
// library's fields "substitutedfonts" and "fallbackfonts").
//
// The worker is started as "quillet worker <version>", the version of these
// messages, and ends at once with status 2 when it speaks another: a program
// replaced while it runs (an upgrade) does not misread its workers.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Confinement.h"
#include "Library.h"
#include "Request.h"
#include "platform/unique_fd.h"

namespace quillet::cli {

// The version of the messages between a program and its workers, raised
// whenever their fields change (2: the library's code of a failure; 3: the
// fonts replaced).
inline constexpr int kWorkerPipeVersion = 3;

// The worker mode, started by a program that speaks Version: serves requests
// until its input ends. Returns the exit status.
int ServeAsWorker(const std::string& version);

// Runs Requests in Jobs workers, handing each worker its next request as it
// answers. Started and Finished are called on this thread with the index of
// the request. A worker that dies fails its request and is replaced. Worker I
// attaches to the office listening on Attach[I] when there is one, and
// starts its own otherwise.
void RunInWorkers(const std::vector<Request>& requests, size_t jobs, const std::function<void(size_t)>& started,
                  const std::function<void(size_t, const Outcome&)>& finished,
                  const std::vector<std::string>& attach = {});

// How a worker is started.
struct WorkerSetup {
  // A process group of its own, so that a Ctrl-C typed at a terminal reaches
  // only the program that manages it.
  bool ownGroup = false;
  // Its offices are walled into its temporary folder (they see no other file
  // of the machine's but their installation, and load nothing linked), their
  // pipes' sockets lie there, and they are not recycled by document count
  // (the server replaces the whole worker instead).
  bool confine = false;
  // Beneath that, each office runs in a sandbox of the system's (bubblewrap):
  // no network, and a file system of the folders it needs alone.
  bool isolate = false;
};

// One worker process: its pipes and its temporary folder, all given back
// (the process waited for) when the object goes.
class WorkerProcess {
 public:
  // Starts Program in its worker mode, with its own office (nothing listens
  // on a pipe of Pipe's name) and its own temporary folder. Raises
  // std::runtime_error.
  WorkerProcess(const std::string& program, const std::string& pipe, const WorkerSetup& setup = {});
  ~WorkerProcess();
  WorkerProcess(const WorkerProcess&) = delete;
  WorkerProcess& operator=(const WorkerProcess&) = delete;

  int pid() const { return pid_; }
  int output() const { return out_.get(); }  // to poll
  // Its temporary folder (with a confined office, the one folder it sees).
  const std::string& folder() const { return temp_; }
  // Hands it a request; false when it has died.
  bool Send(const Request& r, const Confinement& confinement = {});
  // Reads what is there on its output (after a poll, or blocking); false at
  // its end. Each complete answer is taken off by Answer.
  bool ReadSome();
  bool Answer(Outcome& outcome);
  // Waits for one answer; false when the process ended first.
  bool Await(Outcome& outcome);
  // Closes its input: it ends of itself once its request is answered.
  void CloseInput();
  // Closes its input (it ends of itself, giving its office back) and waits
  // for its end, killing it after Grace; returns how it ended.
  std::string Finish(int graceMilliseconds = 30000);
  // Ends it and the processes under it (its office) now, and waits until
  // they have gone; returns how it ended.
  std::string Kill();

 private:
  int pid_ = 0;
  os::UniqueFd in_, out_;  // its standard input and output
  std::string buffer_;
  std::string temp_;
  std::string pipes_;  // its office's pipes, when its own folder's path is too long for them
  bool waited_ = false;
  std::string end_;
};

// This program's own path, to start it again as a worker.
std::string SelfProgram();

// The fields of one message, each ended by NUL.
std::string Pack(const std::vector<std::string>& fields);
// Takes the first message of N fields off the front of Buffer; false while incomplete.
bool Unpack(std::string& buffer, size_t n, std::vector<std::string>& fields);

// A worker's answer as it goes over the pipe, and taken off the front of
// Buffer (false while incomplete).
std::string PackAnswer(const Outcome& outcome);
bool UnpackAnswer(std::string& buffer, Outcome& outcome);

}  // namespace quillet::cli
