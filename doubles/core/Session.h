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

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quillet::doubles {

struct ScriptedConverter {
  bool canOpen = true;
  bool canSave = false;
  std::string extensions;
  int32_t openFormat = 0;
  int32_t saveFormat = 0;
  std::string formatName;
};

struct Script {
  std::string version;                         // the Version property
  std::vector<ScriptedConverter> converters;   // Word's FileConverters, item 1 first
  std::map<std::string, std::string> failures;  // lower-case "object.member" -> description
  std::map<std::string, int32_t> failCodes;    // lower-case "object.member" -> HRESULT
  std::vector<std::string> unknown;            // lower-case "object.member": names not known
  std::string disconnectAfter;                 // lower-case "object.member"
  std::string title;                           // the title of every document opened
};

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

  void Write(const std::string& line);

 private:
  std::string app_;
  bool automation_;
  bool dead_ = false;
  Script script_;
  std::string transcript_;
};

// Makes every session of App (alive in this process) fail from now on, as a
// server process that died would.
void KillSessions(const std::string& app);
void TrackSession(const std::shared_ptr<Session>& session);

// The control folder, or empty.
std::string ControlDir();

// Parses the script text (see DoubleControl.h).
Script ParseScript(const std::string& text, const std::string& app);

}  // namespace quillet::doubles
