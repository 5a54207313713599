#include "ConvertApplication/ServerLocks.h"

#include <atomic>

namespace quillet::comserver {

namespace {
// Objects may be made and released in any apartment of the process.
std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};
}  // namespace

void ObjectCreated() { ++liveObjects; }
void ObjectDestroyed() { --liveObjects; }

void LockServer() { ++serverLocks; }
void UnlockServer() {
  // An unlock without its lock is the client's mistake; it must not make the
  // count negative and so hide a real lock.
  long n = serverLocks.load();
  while (n > 0 && !serverLocks.compare_exchange_weak(n, n - 1)) {
  }
}

bool ServerInUse() { return liveObjects.load() != 0 || serverLocks.load() != 0; }

}  // namespace quillet::comserver
