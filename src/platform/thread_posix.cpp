#include <exception>
#include <string>
#include <system_error>
#include <thread>

#include "platform/error.h"
#include "platform/thread.h"

namespace quillet::os {

struct PinnedThread::State {
  std::thread thread;
};

PinnedThread::PinnedThread(std::function<void()> body) : state_(std::make_unique<State>()) {
  try {
    state_->thread = std::thread([body = std::move(body)] {
      try {
        body();
      } catch (...) {
      }
    });
  } catch (const std::system_error& e) {
    throw Error(std::string("Can not start a thread: ") + e.what());
  }
}

PinnedThread::PinnedThread() = default;
PinnedThread::~PinnedThread() { Detach(); }
PinnedThread::PinnedThread(PinnedThread&&) noexcept = default;
PinnedThread& PinnedThread::operator=(PinnedThread&& other) noexcept {
  if (this != &other) {
    Detach();
    state_ = std::move(other.state_);
  }
  return *this;
}

bool PinnedThread::Joinable() const { return state_ && state_->thread.joinable(); }

bool PinnedThread::IsCurrent() const { return Joinable() && state_->thread.get_id() == std::this_thread::get_id(); }

void PinnedThread::Join() {
  if (Joinable()) state_->thread.join();
}

void PinnedThread::Detach() {
  if (Joinable()) state_->thread.detach();
}

}  // namespace quillet::os
