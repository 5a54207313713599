#include <windows.h>

#include "platform/named_mutex.h"

namespace quillet::os {

NamedMutex NamedMutex::Open(const std::string& name) {
  NamedMutex mutex;
  // MUTEX_ALL_ACCESS (0x1F0001), the access the plug-in's mutex is opened with.
  mutex.handle_ = ::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str());
  return mutex;
}

NamedMutex::WaitResult NamedMutex::Wait(uint32_t timeoutMs) {
  if (!handle_) return WaitResult::Failed;
  switch (::WaitForSingleObject(handle_, timeoutMs)) {
    case WAIT_OBJECT_0:
      owned_ = true;
      return WaitResult::Acquired;
    case WAIT_ABANDONED:
      owned_ = true;
      return WaitResult::Abandoned;
    case WAIT_TIMEOUT:
      return WaitResult::TimedOut;
    default:
      return WaitResult::Failed;
  }
}

void NamedMutex::reset() {
  if (owned_) ::ReleaseMutex(handle_);
  owned_ = false;
  if (handle_) ::CloseHandle(handle_);
  handle_ = nullptr;
}

}  // namespace quillet::os
