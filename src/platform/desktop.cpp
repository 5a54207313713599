#include "platform/desktop.h"

#include <mutex>

namespace quillet::os {

namespace {
std::mutex g_desktopLock;
std::shared_ptr<Desktop>& Installed() {
  static std::shared_ptr<Desktop> installed;
  return installed;
}
}  // namespace

std::shared_ptr<Desktop> CurrentDesktop() {
  {
    std::lock_guard<std::mutex> lock(g_desktopLock);
    if (Installed()) return Installed();
  }
  return SystemDesktop();
}

std::shared_ptr<Desktop> SetDesktop(std::shared_ptr<Desktop> desktop) {
  std::lock_guard<std::mutex> lock(g_desktopLock);
  std::shared_ptr<Desktop> previous = std::move(Installed());
  Installed() = std::move(desktop);
  return previous;
}

}  // namespace quillet::os
