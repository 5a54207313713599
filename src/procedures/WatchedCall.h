// An automation call that an application may hold on a modal dialog: a dialog
// watcher looks for the dialog while the call runs and answers it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/status.h"

namespace quillet {

// The window the watcher looks for (the window finder's four criteria, empty
// when unused), the macro that answers it, and how long it looks.
struct TWatchJob {
  std::string ExePattern;
  std::string WindowPattern;
  std::string ParentExePattern;
  std::string ParentPattern;
  std::string MacroText;
  int32_t TimeoutMs;
};

// Starts a watcher with Job (a watcher that cannot start raises Error to the
// caller), runs Call, stops the watcher as soon as Call has returned or
// failed, and waits for its thread to end. The failure Call raised comes
// back.
Status WatchedCall(const TWatchJob& job, const std::function<void()>& call);

}  // namespace quillet
