// The server's pool: N worker processes ("quillet worker"), each with an
// office of its own walled into the worker's private folder, fed from one
// bounded queue. A thread of the server stands beside each worker and hands
// it the queue's next job: the job's folder is moved into the worker's
// folder for the conversion (the one folder its office sees) and moved back
// after it. A worker whose process dies, or does not answer by its job's
// deadline and a grace, is ended and replaced; a job whose client has gone
// ends the worker's office, so that the worker is free again at once.
//
// The pool probes idle workers on its own schedule, with a small document and
// a short deadline, so that it knows whether each office answers (the
// library ends an office that misses the deadline, and the next probe starts
// a new one): one that answered is probed after ProbeEvery of idleness, one
// that did not every second until it does. The health check only reads what
// the probes and the jobs found. Probes do not count towards a worker's
// recycling: after RecycleAfter jobs the worker is replaced, office and all.
//
// Thread-safety: every public member may be called from any thread (the HTTP
// handlers' threads, the health check, the signal handling thread); the queue
// and the workers' states are guarded by one lock.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Confinement.h"
#include "Library.h"
#include "Request.h"
#include "Workers.h"

namespace quillet::cli::serve {

using Clock = std::chrono::steady_clock;

// One conversion asked of the pool: Request's source and destination lie in
// Folder, which the pool moves into the worker's folder while it converts.
struct Job {
  Request request;
  std::string folder;
  int timeout = 0;  // seconds, counted by the library from when a worker takes it
  Clock::time_point queued;
  std::atomic<bool> cancelled{false};  // its client has gone
  // Set by the pool:
  std::string inside;  // where Folder was while the worker converted (in the worker's folder)
  bool done = false;
  Outcome outcome;
  int worker = -1;  // the worker's number (from 1)
  double waitedSeconds = 0;
};

// What a worker is doing: its office starting (or being replaced), waiting
// for a job, converting one, being probed; failing while its office does not
// answer or it cannot be started; stopped with the pool.
enum class WorkerState { Starting, Idle, Busy, Probing, Failing, Stopped };

struct WorkerView {
  int id = 0;
  int pid = 0;
  WorkerState state = WorkerState::Starting;
  bool officeAnswers = false;
  long conversions = 0;
  std::string lastError;
};

struct PoolView {
  std::vector<WorkerView> workers;
  size_t queued = 0, busy = 0;
  long restarts = 0;  // offices ended (deadline, crash, ceiling, a client gone) and workers replaced
};

struct PoolSettings {
  size_t workers = 1;
  size_t maxQueue = 4;
  WorkerSetup setup;        // how its workers start (confined, isolated)
  Confinement ceilings;     // each job's memory and result ceilings (its root is the job's own)
  long recycleAfter = 200;  // jobs per worker process
  std::chrono::milliseconds probeEvery{10000};
  // Past a job's deadline, how long its worker still has to answer (the
  // library's watchdog ends a late office at the deadline itself).
  std::chrono::milliseconds grace{5000};
  // How long a worker has to answer once its job's client has gone and its
  // office was ended.
  std::chrono::milliseconds cancelGrace{2000};
};

class Pool {
 public:
  // Program: this program, started in its worker mode. Folder: the server's
  // private folder, where the workers' folders are made.
  Pool(std::string program, PoolSettings settings);
  ~Pool();
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;

  void Start();

  enum class Admission { Queued, Full, Stopping, NoWorker };
  Admission Submit(const std::shared_ptr<Job>& job);
  // Waits until Job is done. Gone is asked every 200 ms: once it says the
  // client has gone, a job still queued leaves the queue, and one being
  // converted is cancelled (its worker's office ended); Wait then returns
  // false, once the pool no longer holds the job's folder.
  bool Wait(const std::shared_ptr<Job>& job, const std::function<bool()>& gone);

  PoolView View() const;
  // No more jobs are taken; the queued ones are still served.
  void Close();
  // Ends every worker process and its office now: their jobs fail, and so do
  // the queued ones. Returns once those processes have gone.
  void Kill();
  // Closes, serves what is queued, then ends the workers (each gives its
  // office back) and joins their threads.
  void Stop();

 private:
  // One worker's place, kept across its replacements; its thread's own
  // (PoolSlot.cpp), read by the others under the lock.
  struct Slot {
    int id = 0;
    std::unique_ptr<WorkerProcess> process;  // its thread's own
    int pid = 0;
    WorkerState state = WorkerState::Starting;
    bool answers = false;
    bool converting = false;  // a job of the queue, not a probe
    long conversions = 0;     // jobs of this worker process
    long total = 0;           // jobs of the slot
    bool replacing = false;   // its worker ends after its number of jobs, and a new one starts
    std::string lastError;
    Clock::time_point lastActive;
    std::thread thread;
  };
  void Serve(Slot& slot);
  bool ProbeDue(const Slot& slot, Clock::time_point now) const;
  // The jobs' ceilings, for a job whose folder is Root.
  Confinement Confined(const std::string& root) const;
  void Probe(Slot& slot, std::unique_lock<std::mutex>& lock);
  bool Spawn(Slot& slot, std::unique_lock<std::mutex>& lock);
  void Retire(Slot& slot, std::unique_lock<std::mutex>& lock);
  // Runs Request in the slot's worker, the lock let go meanwhile; false when
  // the worker died or was ended (it is then given up, to be replaced).
  bool Run(Slot& slot, const Request& request, const Confinement& confinement, int timeout,
           const std::atomic<bool>* cancelled, Outcome& outcome, std::unique_lock<std::mutex>& lock);
  void RunJob(Slot& slot, Job& job, std::unique_lock<std::mutex>& lock);

  const std::string program_;
  const PoolSettings settings_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Job>> queue_;
  std::vector<std::unique_ptr<Slot>> slots_;
  bool closed_ = false, stopping_ = false, killed_ = false;
  long restarts_ = 0, spawned_ = 0;
};

}  // namespace quillet::cli::serve
