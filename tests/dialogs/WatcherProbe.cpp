// A library of its own holding the dialog watcher, so that a test program can
// free it while a watcher it started still runs.
#include <windows.h>

#include "sendkeythread/ThreadSendKey.h"

// Starts a watch (no time limit on finding the window) with each message
// waiting at most SendTimeoutMs for its answer, and lets the watcher go at
// once, as a caller does whose wait for the watcher has run out. 1 when the
// watch was started.
extern "C" __declspec(dllexport) int StartWatchAndLetGo(const char* exe, const char* window, const char* macro,
                                                        unsigned sendTimeoutMs) {
  try {
    const auto watcher = quillet::TThreadSendKey::Create();
    watcher->Macro.SendTimeoutMs = sendTimeoutMs;
    watcher->StartWatch(exe, window, "", "", macro, -1);
    return 1;
  } catch (...) {
    return 0;
  }
}
