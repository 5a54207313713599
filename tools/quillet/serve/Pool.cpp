#include "Pool.h"

#include <algorithm>
#include <filesystem>

#include "Processes.h"
#include "uno/PipeFiles.h"

namespace quillet::cli::serve {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

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
    working += (slot->process || slot->replacing) && slot->state != WorkerState::Failing;
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

}  // namespace quillet::cli::serve
