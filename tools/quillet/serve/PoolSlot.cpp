// The thread that stands beside each worker of the pool (Pool.h): it starts
// the worker and probes its office, hands it the queue's jobs with their
// folders moved into its own, watches each for its deadline and its client,
// and replaces the worker when it dies, does not answer or has done its
// number of jobs.
#include "Pool.h"

#include <poll.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "Processes.h"

namespace quillet::cli::serve {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// A probe's deadline while the office answered the last time, and while it
// did not (the probe then starts a new office, which takes seconds).
constexpr int kProbeSeconds = 3;
constexpr int kStartSeconds = 60;
constexpr auto kFailingProbeEvery = 1s;

// The slot's idleness after which its office is probed.
Clock::duration ProbeInterval(bool answers, std::chrono::milliseconds every) {
  return answers ? Clock::duration(every) : Clock::duration(kFailingProbeEvery);
}

// Path with its folder From replaced by To.
std::string Moved(const std::string& path, const std::string& from, const std::string& to) {
  return path.compare(0, from.size() + 1, from + "/") == 0 ? to + path.substr(from.size()) : path;
}

}  // namespace

Confinement Pool::Confined(const std::string& root) const {
  Confinement walls = settings_.ceilings;
  walls.root = root;
  return walls;
}

bool Pool::ProbeDue(const Slot& slot, Clock::time_point now) const {
  return now - slot.lastActive >= ProbeInterval(slot.answers, settings_.probeEvery);
}

bool Pool::Run(Slot& slot, const Request& request, const Confinement& confinement, int timeout,
               const std::atomic<bool>* cancelled, Outcome& outcome, std::unique_lock<std::mutex>& lock) {
  WorkerProcess& process = *slot.process;
  lock.unlock();
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(timeout) + settings_.grace;
  Clock::time_point cancelledAt{};
  bool alive = process.Send(request, confinement), answered = false;
  std::string end;
  while (alive && !(answered = process.Answer(outcome))) {
    pollfd p{process.output(), POLLIN, 0};
    if (::poll(&p, 1, 100) > 0 && !process.ReadSome()) {
      alive = false;
      break;
    }
    const Clock::time_point now = Clock::now();
    if (cancelled && *cancelled && cancelledAt == Clock::time_point{}) {
      // The client has gone: the office goes, and the conversion with it.
      cancelledAt = now;
      KillAll(Descendants(process.pid()));
    }
    if (cancelledAt != Clock::time_point{} && now - cancelledAt > settings_.cancelGrace) {
      end = "it did not answer once its office was ended";
      break;
    }
    if (now > deadline) {
      end = "it did not answer within " + std::to_string(timeout) + " seconds and the grace after them";
      break;
    }
  }
  if (!answered) {
    const std::string how = process.Kill();
    if (end.empty()) end = "the worker process ended (" + how + ")";
  }
  lock.lock();
  slot.lastActive = Clock::now();
  if (answered) {
    // Past a deadline or a ceiling, gone under the conversion, or ended for a
    // client that left: the worker starts its next office itself.
    if (cancelledAt != Clock::time_point{} ||
        (!outcome.ok && outcome.failure != Failure::Document && outcome.failure != Failure::Refused)) {
      ++restarts_;
      slot.answers = false;
    }
    return true;
  }
  ++restarts_;
  slot.process.reset();
  slot.pid = 0;
  slot.answers = false;
  outcome = Outcome{false, end, 0, Failure::Worker};
  slot.lastError = outcome.error;
  return false;
}

void Pool::Probe(Slot& slot, std::unique_lock<std::mutex>& lock) {
  if (slot.state != WorkerState::Starting) slot.state = slot.answers ? WorkerState::Probing : WorkerState::Failing;
  const std::string folder = slot.process->folder() + "/probe";
  const Request probe{folder + "/in/probe.txt", folder + "/out/probe.txt", "2",
                      "TIMEOUT=" + std::to_string(slot.answers ? kProbeSeconds : kStartSeconds)};
  Outcome outcome;
  const bool alive =
      Run(slot, probe, Confined(folder), slot.answers ? kProbeSeconds : kStartSeconds, nullptr, outcome, lock);
  slot.answers = alive && outcome.ok;
  if (!slot.answers) slot.lastError = outcome.error;
  slot.state = slot.answers ? WorkerState::Idle : WorkerState::Failing;
  changed_.notify_all();
}

// Starts the slot's worker, its probe document in its folder; false when it
// cannot be started.
bool Pool::Spawn(Slot& slot, std::unique_lock<std::mutex>& lock) {
  const std::string pipe = "quillet-serve-" + std::to_string(::getpid()) + "-" + std::to_string(++spawned_);
  lock.unlock();
  std::unique_ptr<WorkerProcess> process;
  std::string error;
  try {
    process = std::make_unique<WorkerProcess>(program_, pipe, settings_.setup);
    fs::create_directories(process->folder() + "/probe/in");
    fs::create_directories(process->folder() + "/probe/out");
    std::ofstream(process->folder() + "/probe/in/probe.txt") << "probe\n";
  } catch (const std::exception& e) {
    error = e.what();
    process.reset();
  }
  lock.lock();
  slot.replacing = false;
  if (!process) {
    slot.state = WorkerState::Failing;
    slot.lastError = error;
    return false;
  }
  slot.process = std::move(process);
  slot.pid = slot.process->pid();
  slot.conversions = 0;
  slot.state = WorkerState::Starting;
  return true;
}

// Lets the slot's worker end of itself, giving its office back.
void Pool::Retire(Slot& slot, std::unique_lock<std::mutex>& lock) {
  slot.state = WorkerState::Starting;
  slot.replacing = true;
  std::unique_ptr<WorkerProcess> process = std::move(slot.process);
  lock.unlock();
  process->Finish();
  process.reset();
  lock.lock();
  slot.pid = 0;
  slot.answers = false;
}

void Pool::RunJob(Slot& slot, Job& job, std::unique_lock<std::mutex>& lock) {
  slot.state = WorkerState::Busy;
  slot.converting = true;
  job.worker = slot.id;
  job.waitedSeconds = std::chrono::duration<double>(Clock::now() - job.queued).count();
  // The job's folder is the one its office may see: moved into the worker's
  // folder for the conversion, and back.
  const std::string inside = slot.process->folder() + "/job";
  std::error_code ec;
  fs::remove_all(inside, ec);  // left by a worker that was ended
  fs::rename(job.folder, inside, ec);
  job.inside = inside;
  Outcome outcome;
  if (ec) {
    outcome = Outcome{false, "the request's files cannot be handed to a worker", 0, Failure::Worker};
  } else {
    const Request request{Moved(job.request.source, job.folder, inside),
                          Moved(job.request.destination, job.folder, inside), job.request.format, job.request.option};
    if (Run(slot, request, Confined(inside), job.timeout, &job.cancelled, outcome, lock)) {
      ++slot.conversions;
      ++slot.total;
      if (outcome.ok) slot.answers = true;
    }
    fs::rename(inside, job.folder, ec);
    if (ec && outcome.ok)
      outcome = Outcome{false, "the results cannot be taken back from the worker", 0, Failure::Worker};
  }
  slot.converting = false;
  slot.state = slot.process ? WorkerState::Idle : WorkerState::Failing;
  job.outcome = outcome;
  job.done = true;
  changed_.notify_all();
}

void Pool::Serve(Slot& slot) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (!slot.process) {
      if (stopping_ || killed_) break;
      if (!Spawn(slot, lock)) {
        changed_.wait_for(lock, kFailingProbeEvery);
        continue;
      }
      Probe(slot, lock);  // warms its office
      continue;
    }
    if (settings_.recycleAfter > 0 && slot.conversions >= settings_.recycleAfter && !stopping_ && !killed_) {
      Retire(slot, lock);
      continue;
    }
    if (!queue_.empty() && !killed_) {
      const std::shared_ptr<Job> job = queue_.front();
      queue_.pop_front();
      RunJob(slot, *job, lock);
      continue;
    }
    if (stopping_ || killed_) break;
    if (ProbeDue(slot, Clock::now())) {
      Probe(slot, lock);
      continue;
    }
    changed_.wait_until(lock, slot.lastActive + ProbeInterval(slot.answers, settings_.probeEvery));
  }
  // The worker ends of itself once its input is closed, and stops its office.
  if (slot.process) {
    std::unique_ptr<WorkerProcess> process = std::move(slot.process);
    const bool kill = killed_;
    lock.unlock();
    if (kill) process->Kill();
    process->Finish();
    process.reset();
    lock.lock();
  }
  slot.pid = 0;
  slot.state = WorkerState::Stopped;
}

}  // namespace quillet::cli::serve
