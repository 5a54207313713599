#include "procedures/WatchedCall.h"

#include "sendkeythread/ThreadSendKey.h"

namespace quillet {

namespace {
// A watcher that is answering a dialog when the call returns finishes the
// macro first; one whose dialog does not respond is let go after this long.
constexpr uint32_t kWatcherEndMs = 5000;
}  // namespace

Status WatchedCall(const TWatchJob& job, const std::function<void()>& call) {
  const std::shared_ptr<TThreadSendKey> watcher = TThreadSendKey::Create();
  watcher->StartWatch(job.ExePattern, job.WindowPattern, job.ParentExePattern, job.ParentPattern, job.MacroText,
                      job.TimeoutMs);
  const Status outcome = Capture(call);
  watcher->Stop();
  // The watcher ends within one search once stopped; waiting for it means no
  // watcher thread outlives the request (the library may be unloaded next).
  watcher->Join(kWatcherEndMs);
  return outcome;
}

}  // namespace quillet
