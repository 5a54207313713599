// The state one application double shares among all its objects: what the
// test scripted for it, and the transcript it writes of every call.
//
// Both live in the folder named by the environment variable
// QUILLET_DOUBLES_DIR (no folder: nothing is scripted or written):
//   <App>.script      read when the application object is created
//   <App>.transcript  one line appended per event, flushed at once
// where <App> is "Word", "Excel" or "PowerPoint". doubles/control/DoubleControl.h
// describes both formats for the tests that read and write them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "Script.h"

namespace quillet::doubles {

class Session {
 public:
  // App: "Word", "Excel" or "PowerPoint". Automation: started by automation
  // (hidden) rather than by a user (visible).
  Session(std::string app, bool automation);

  const std::string& app() const { return app_; }
  const Script& script() const { return script_; }
  bool automation() const { return automation_; }

  // A server that "died": every later call fails as a disconnected one would.
  bool dead() const { return dead_; }
  void Die() { dead_ = true; }

  bool quitRequested = false;
  // Word's active printer, shared by the application and its documents.
  std::string activePrinter;
  // The full name of the active document, workbook or presentation: the one
  // opened last, or the one a macro left open; empty when none is open.
  std::string activeDocument;

  // A call that hangs waits here until the session is aborted (Linux, where
  // the converter reaches the double's own control) or its process ends
  // (Windows). True when it was aborted.
  bool Hang();
  void Abort();

  void Write(const std::string& line);

 private:
  std::string app_;
  bool automation_;
  std::atomic<bool> dead_{false};
  Script script_;
  std::string transcript_;
  std::mutex writeLock_;  // lines of two threads stay whole
  std::mutex hangLock_;
  std::condition_variable hangEnd_;
  bool aborted_ = false;
};

// Makes every session of App (alive in this process) fail from now on, as a
// server process that died would.
void KillSessions(const std::string& app);
void TrackSession(const std::shared_ptr<Session>& session);

// The control folder, or empty.
std::string ControlDir();

// The control folder as the system keeps it besides the environment (for a
// Windows server that COM started without the client's environment); empty
// when it keeps none. A body per system: win32/Controller.cpp,
// linux/Controller.cpp.
std::string SystemControlDir();

}  // namespace quillet::doubles
