#include "Pool.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "Workers.h"

namespace quillet::cli::serve {

using namespace std::chrono_literals;

namespace {

// How long a worker stays idle before the health check has its office
// probed, and the probe's deadline while the office answered the last time
// (one that did not is started again by the probe, which takes seconds).
constexpr auto kProbeEvery = 1s;
constexpr int kProbeSeconds = 3;
constexpr int kStartSeconds = 60;

bool PastDeadline(const std::string& error) { return error.find("longer than its deadline") != std::string::npos; }

}  // namespace

struct Pool::Slot {
  int id = 0;
  std::unique_ptr<WorkerProcess> process;  // its thread's own
  int pid = 0;
  std::string state = "starting";
  bool answers = false;
  bool converting = false;  // a job of the queue, not a probe
  long conversions = 0;
  std::string lastError;
  Clock::time_point lastActive;
  std::thread thread;
};

Pool::Pool(std::string program, size_t workers, size_t maxQueue, std::string folder)
    : program_(std::move(program)), folder_(std::move(folder)), maxQueue_(maxQueue) {
  std::ofstream(folder_ + "/probe.txt") << "probe\n";
  for (size_t i = 0; i < workers; ++i) {
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
    working += slot->process && slot->state != "failing";
  }
  if (working == 0) return Admission::NoWorker;
  if (queue_.size() >= maxQueue_ + free) return Admission::Full;
  job->queued = Clock::now();
  queue_.push_back(job);
  changed_.notify_all();
  return Admission::Queued;
}

bool Pool::Wait(const std::shared_ptr<Job>& job, const std::function<bool()>& gone) {
  std::unique_lock lock(mutex_);
  while (!job->done) {
    changed_.wait_for(lock, 200ms);
    if (job->done || std::find(queue_.begin(), queue_.end(), job) == queue_.end()) continue;
    lock.unlock();
    const bool left = gone();
    lock.lock();
    if (!left) continue;
    if (const auto at = std::find(queue_.begin(), queue_.end(), job); at != queue_.end()) {
      queue_.erase(at);
      return false;
    }
  }
  return true;
}

PoolView Pool::View() const {
  std::lock_guard lock(mutex_);
  PoolView view;
  view.queued = queue_.size();
  view.restarts = restarts_;
  for (const auto& slot : slots_) {
    view.workers.push_back({slot->id, slot->pid, slot->state, slot->answers, slot->conversions, slot->lastError});
    view.busy += slot->converting;
  }
  return view;
}

void Pool::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
}

void Pool::Kill() {
  std::lock_guard lock(mutex_);
  closed_ = killed_ = true;
  for (const auto& slot : slots_)
    if (slot->pid > 0) ::kill(slot->pid, SIGKILL);
  // What still waits gets no worker now.
  for (const std::shared_ptr<Job>& job : queue_) {
    job->stopped = job->done = true;
    job->outcome = Outcome{false, "the server is stopping", 0};
  }
  queue_.clear();
  changed_.notify_all();
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

bool Pool::ProbeDue(const Slot& slot, Clock::time_point now) const {
  return WantsProbe(slot) && now - slot.lastActive >= kProbeEvery;
}

// An office that answered is probed when the health check asks; one that did
// not is probed until it answers again, asked or not, since the pool takes
// no request while none of its offices answers.
bool Pool::WantsProbe(const Slot& slot) const { return healthAsked_ > slot.lastActive || !slot.answers; }

void Pool::HealthAsked() {
  {
    std::lock_guard lock(mutex_);
    healthAsked_ = Clock::now();
  }
  changed_.notify_all();
}

// Runs Request in the slot's worker (the lock let go meanwhile); a worker
// that dies under it is given up, to be replaced.
bool Pool::Run(Slot& slot, const Request& request, Outcome& outcome, std::unique_lock<std::mutex>& lock) {
  WorkerProcess& process = *slot.process;
  lock.unlock();
  const bool alive = process.Send(request) && process.Await(outcome);
  std::string end;
  if (!alive) end = process.Finish(0);
  lock.lock();
  slot.lastActive = Clock::now();
  if (alive) {
    if (!outcome.ok && PastDeadline(outcome.error)) ++restarts_;  // the library ended its office
    return true;
  }
  ++restarts_;
  slot.process.reset();
  slot.pid = 0;
  slot.answers = false;
  outcome = Outcome{false, "the worker process ended (" + end + ")", 0};
  slot.lastError = outcome.error;
  return false;
}

void Pool::Probe(Slot& slot, std::unique_lock<std::mutex>& lock) {
  if (slot.state != "starting") slot.state = slot.answers ? "probing" : "failing";
  const Request probe{folder_ + "/probe.txt", folder_ + "/probe-" + std::to_string(slot.id) + ".txt", "2",
                      "TIMEOUT=" + std::to_string(slot.answers ? kProbeSeconds : kStartSeconds)};
  Outcome outcome;
  const bool alive = Run(slot, probe, outcome, lock);
  slot.answers = alive && outcome.ok;
  if (!slot.answers) slot.lastError = outcome.error;
  slot.state = slot.answers ? "idle" : "failing";
  changed_.notify_all();
}

void Pool::Serve(Slot& slot) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (!slot.process) {
      if (stopping_ || killed_) break;
      const std::string pipe = "quillet-serve-" + std::to_string(::getpid()) + "-" + std::to_string(++spawned_);
      lock.unlock();
      std::unique_ptr<WorkerProcess> process;
      std::string error;
      try {
        process = std::make_unique<WorkerProcess>(program_, pipe, true);
      } catch (const std::exception& e) {
        error = e.what();
      }
      lock.lock();
      if (!process) {
        slot.state = "failing";
        slot.lastError = error;
        changed_.wait_for(lock, kProbeEvery);
        continue;
      }
      slot.process = std::move(process);
      slot.pid = slot.process->pid();
      slot.state = "starting";
      Probe(slot, lock);  // warms its office
      continue;
    }
    if (!queue_.empty()) {
      const std::shared_ptr<Job> job = queue_.front();
      queue_.pop_front();
      slot.state = "busy";
      slot.converting = true;
      job->worker = slot.id;
      job->waitedSeconds = std::chrono::duration<double>(Clock::now() - job->queued).count();
      Outcome outcome;
      if (Run(slot, job->request, outcome, lock)) {
        ++slot.conversions;
        if (outcome.ok) slot.answers = true;
        if (!outcome.ok && PastDeadline(outcome.error)) slot.answers = false;
      } else {
        job->workerDied = true;
      }
      slot.converting = false;
      slot.state = slot.process ? "idle" : "failing";
      job->outcome = outcome;
      job->done = true;
      changed_.notify_all();
      continue;
    }
    if (stopping_) break;
    const Clock::time_point now = Clock::now();
    if (ProbeDue(slot, now)) {
      Probe(slot, lock);
      continue;
    }
    if (WantsProbe(slot))
      changed_.wait_until(lock, slot.lastActive + kProbeEvery);
    else
      changed_.wait(lock);
  }
  // The worker ends of itself once its input is closed, and stops its office.
  if (slot.process) {
    lock.unlock();
    slot.process->Finish();
    lock.lock();
  }
  slot.process.reset();
  slot.pid = 0;
  slot.state = "stopped";
}

}  // namespace quillet::cli::serve
