// The server's pool: N worker processes ("quillet worker"), each with an
// office of its own, fed from one bounded queue. A thread of the server
// stands beside each worker and hands it the queue's next job; a worker
// whose process dies fails its job and is replaced. When the health check
// asks, idle workers not heard from for a second convert a small probe
// document with a short deadline, so that the pool knows whether each
// worker's office answers: the library ends an office that misses the
// deadline, and the next probe starts a new one. A worker whose office does
// not answer is probed every second until it does, asked or not. Probes of
// answering offices follow the health checks rather than a clock of their
// own: an office counts each probe towards its recycling, and a server nobody
// watches should not restart its offices every few minutes for probes alone.
//
// Thread-safety: every public member may be called from any thread (the HTTP
// handlers' threads, the health check, the signal handling thread); the queue
// and the workers' states are guarded by one lock.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Library.h"
#include "Request.h"

namespace quillet::cli::serve {

using Clock = std::chrono::steady_clock;

// One conversion asked of the pool. The request's option text carries its
// deadline (TIMEOUT=), counted by the library from the moment a worker takes it.
struct Job {
  Request request;
  Clock::time_point queued;
  // Set by the pool:
  bool done = false;
  bool workerDied = false;  // the worker process ended under it
  bool stopped = false;     // the pool stopped before a worker took it
  Outcome outcome;
  int worker = -1;  // the worker's number (from 1)
  double waitedSeconds = 0;
};

struct WorkerView {
  int id = 0;
  int pid = 0;
  std::string state;  // "starting", "idle", "busy", "probing", "failing"
  bool officeAnswers = false;
  long conversions = 0;
  std::string lastError;
};

struct PoolView {
  std::vector<WorkerView> workers;
  size_t queued = 0, busy = 0;
  long restarts = 0;  // worker processes replaced and offices ended past a deadline
};

class Pool {
 public:
  // Program: this program, started in its worker mode. Folder: a private
  // folder for the probe documents.
  Pool(std::string program, size_t workers, size_t maxQueue, std::string folder);
  ~Pool();
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;

  void Start();

  enum class Admission { Queued, Full, Stopping, NoWorker };
  Admission Submit(const std::shared_ptr<Job>& job);
  // Waits until Job is done. Gone is asked every 200 ms while the job still
  // waits in the queue: when it says the client has gone, the job leaves the
  // queue and Wait returns false.
  bool Wait(const std::shared_ptr<Job>& job, const std::function<bool()>& gone);

  PoolView View() const;
  // The health check asks: idle workers not heard from for a second are
  // probed (the answer the check gets is the last one known).
  void HealthAsked();
  // No more jobs are taken; the queued ones are still served.
  void Close();
  // Ends every worker process now: their jobs fail, and so do the queued ones.
  void Kill();
  // Closes, serves what is queued, then ends the workers (each gives its
  // office back) and joins their threads.
  void Stop();

 private:
  struct Slot;
  void Serve(Slot& slot);
  bool ProbeDue(const Slot& slot, Clock::time_point now) const;
  bool WantsProbe(const Slot& slot) const;
  void Probe(Slot& slot, std::unique_lock<std::mutex>& lock);
  bool Run(Slot& slot, const Request& request, Outcome& outcome, std::unique_lock<std::mutex>& lock);

  const std::string program_, folder_;
  const size_t maxQueue_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Job>> queue_;
  std::vector<std::unique_ptr<Slot>> slots_;
  bool closed_ = false, stopping_ = false, killed_ = false;
  long restarts_ = 0, spawned_ = 0;
  Clock::time_point healthAsked_{};
};

}  // namespace quillet::cli::serve
