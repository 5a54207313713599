#include "Pool.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "Processes.h"
#include "uno/PipeFiles.h"

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

struct Pool::Slot {
  int id = 0;
  std::unique_ptr<WorkerProcess> process;  // its thread's own
  int pid = 0;
  std::string state = "starting";
  bool answers = false;
  bool converting = false;  // a job of the queue, not a probe
  long conversions = 0;     // jobs of this worker process
  long total = 0;           // jobs of the slot
  bool replacing = false;   // its worker ends after its number of jobs, and a new one starts
  std::string lastError;
  Clock::time_point lastActive;
  std::thread thread;
};

Pool::Pool(std::string program, PoolSettings settings) : program_(std::move(program)), settings_(std::move(settings)) {
  for (size_t i = 0; i < settings_.workers; ++i) {
    slots_.push_back(std::make_unique<Slot>());
    slots_.back()->id = static_cast<int>(i + 1);
  }
}

Pool::~Pool() { Stop(); }

void Pool::Start() {
  for (auto& slot : slots_) slot->thread = std::thread([this, s = slot.get()] { Serve(*s); });
}

Pool::Admission Pool::Submit(const std::shared_ptr<Job>& job) {
  std::lock_guard lock(mutex_);
  if (closed_) return Admission::Stopping;
  size_t free = 0, working = 0;
  for (const auto& slot : slots_) {
    free += slot->process && !slot->converting;
    // (A worker being replaced after its number of jobs will take them.)
    working += (slot->process || slot->replacing) && slot->state != "failing";
  }
  if (working == 0) return Admission::NoWorker;
  if (queue_.size() >= settings_.maxQueue + free) return Admission::Full;
  job->queued = Clock::now();
  queue_.push_back(job);
  changed_.notify_all();
  return Admission::Queued;
}

bool Pool::Wait(const std::shared_ptr<Job>& job, const std::function<bool()>& gone) {
  std::unique_lock lock(mutex_);
  while (!job->done) {
    changed_.wait_for(lock, 200ms);
    if (job->done || job->cancelled) continue;
    lock.unlock();
    const bool left = gone();
    lock.lock();
    if (!left) continue;
    if (const auto at = std::find(queue_.begin(), queue_.end(), job); at != queue_.end()) {
      queue_.erase(at);
      return false;
    }
    job->cancelled = true;  // its worker sees it, and ends the office
  }
  return !job->cancelled;
}

PoolView Pool::View() const {
  std::lock_guard lock(mutex_);
  PoolView view;
  view.queued = queue_.size();
  view.restarts = restarts_;
  for (const auto& slot : slots_) {
    view.workers.push_back({slot->id, slot->pid, slot->state, slot->answers, slot->total, slot->lastError});
    view.busy += slot->converting;
  }
  return view;
}

void Pool::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
}

void Pool::Kill() {
  std::vector<pid_t> pids;
  std::vector<std::string> pipes;
  {
    std::lock_guard lock(mutex_);
    closed_ = killed_ = true;
    for (const auto& slot : slots_)
      if (slot->pid > 0) {
        // Its office is found under it while it lives; an office killed
        // leaves its pipes' files.
        for (const pid_t p : Descendants(slot->pid)) pids.push_back(p);
        for (const std::string& f : office::uno::PipeFilesOf(slot->pid)) pipes.push_back(f);
        pids.push_back(slot->pid);
      }
    // What still waits gets no worker now.
    for (const std::shared_ptr<Job>& job : queue_) {
      job->done = true;
      job->outcome = Outcome{false, "the server is stopping", 0, Failure::Worker};
    }
    queue_.clear();
    changed_.notify_all();
  }
  KillAll(pids);
  AllGone(pids, 5000);
  std::error_code ec;
  for (const std::string& f : pipes) fs::remove(f, ec);
}

void Pool::Stop() {
  {
    std::lock_guard lock(mutex_);
    closed_ = stopping_ = true;
    changed_.notify_all();
  }
  for (auto& slot : slots_)
    if (slot->thread.joinable()) slot->thread.join();
}

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
  if (slot.state != "starting") slot.state = slot.answers ? "probing" : "failing";
  const std::string folder = slot.process->folder() + "/probe";
  const Request probe{folder + "/in/probe.txt", folder + "/out/probe.txt", "2",
                      "TIMEOUT=" + std::to_string(slot.answers ? kProbeSeconds : kStartSeconds)};
  Outcome outcome;
  const bool alive = Run(slot, probe, Confined(folder),
                         slot.answers ? kProbeSeconds : kStartSeconds, nullptr, outcome, lock);
  slot.answers = alive && outcome.ok;
  if (!slot.answers) slot.lastError = outcome.error;
  slot.state = slot.answers ? "idle" : "failing";
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
    slot.state = "failing";
    slot.lastError = error;
    return false;
  }
  slot.process = std::move(process);
  slot.pid = slot.process->pid();
  slot.conversions = 0;
  slot.state = "starting";
  return true;
}

// Lets the slot's worker end of itself, giving its office back.
void Pool::Retire(Slot& slot, std::unique_lock<std::mutex>& lock) {
  slot.state = "starting";
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
  slot.state = "busy";
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
                          Moved(job.request.destination, job.folder, inside), job.request.format,
                          job.request.option};
    if (Run(slot, request, Confined(inside), job.timeout,
            &job.cancelled, outcome, lock)) {
      ++slot.conversions;
      ++slot.total;
      if (outcome.ok) slot.answers = true;
    }
    fs::rename(inside, job.folder, ec);
    if (ec && outcome.ok)
      outcome = Outcome{false, "the results cannot be taken back from the worker", 0, Failure::Worker};
  }
  slot.converting = false;
  slot.state = slot.process ? "idle" : "failing";
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
  slot.state = "stopped";
}

}  // namespace quillet::cli::serve
