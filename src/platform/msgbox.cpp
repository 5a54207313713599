#include "platform/msgbox.h"

#include <atomic>
#include <mutex>

namespace quillet::os {

namespace {
std::mutex g_sinkLock;
MessageBoxSink& Sink() {
  static MessageBoxSink sink;
  return sink;
}
}  // namespace

void ShowMessageBox(const std::string& text, const std::string& caption) {
  MessageBoxSink sink;
  {
    std::lock_guard<std::mutex> lock(g_sinkLock);
    sink = Sink();
  }
  if (sink)
    sink(text, caption);
  else
    ShowSystemMessageBox(text, caption);
}

namespace {
std::atomic<uint32_t> g_timeoutMs{60000};
}  // namespace

uint32_t SetMessageBoxTimeoutMs(uint32_t ms) { return g_timeoutMs.exchange(ms); }
uint32_t MessageBoxTimeoutMs() { return g_timeoutMs.load(); }

MessageBoxSink SetMessageBoxSink(MessageBoxSink sink) {
  std::lock_guard<std::mutex> lock(g_sinkLock);
  MessageBoxSink previous = std::move(Sink());
  Sink() = std::move(sink);
  return previous;
}

}  // namespace quillet::os
