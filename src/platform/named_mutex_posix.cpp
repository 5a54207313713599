#include "platform/named_mutex.h"

namespace quillet::os {

// No program on Linux shares a mutex by name with the converter.
NamedMutex NamedMutex::Open(const std::string& /*name*/) { return NamedMutex(); }

NamedMutex::WaitResult NamedMutex::Wait(uint32_t /*timeoutMs*/) { return WaitResult::Failed; }

void NamedMutex::reset() {
  handle_ = nullptr;
  owned_ = false;
}

}  // namespace quillet::os
