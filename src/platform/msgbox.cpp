#include "platform/msgbox.h"

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

MessageBoxSink SetMessageBoxSink(MessageBoxSink sink) {
  std::lock_guard<std::mutex> lock(g_sinkLock);
  MessageBoxSink previous = std::move(Sink());
  Sink() = std::move(sink);
  return previous;
}

}  // namespace quillet::os
