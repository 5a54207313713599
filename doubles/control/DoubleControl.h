// The tests' side of the application doubles: registering them as automation
// servers, scripting them, starting a "user" instance that is registered as
// running, and reading what they received.
//
// Transcript (<dir>/<App>.transcript, App = Word, Excel, PowerPoint), one line
// per event, in the order the double saw them:
//   new <object>                      an object was made
//   del <object>                      its last reference went
//   call <object>.<Member> <kind>[ <args>]
// Kind is method, get, method|get, put (or putref). Args are the positional
// arguments in the caller's order, then the named ones as Name:=value in the
// caller's order, then the new value of a put, joined by ", ". Values:
//   12   True/False   "text" (inner quotes doubled)   2.5 / 2.0 (doubles)
//   Empty   Missing (an omitted optional argument)   Error(0x80020005)
//   <object>   and "ByRef " in front of a by-reference argument.
// Objects are named by the path they were reached through: Word,
// Word.FileConverters, Word.FileConverters(2), Word.Documents,
// Word.Document(a.doc), Word.Document(a.doc).BuiltInDocumentProperties(Title),
// Excel.Workbooks, Excel.Workbook(x.xls), PowerPoint.Presentations, ...
// Example: "call Word.Documents.Open method "C:\a.doc", ReadOnly:=True".
//
// Script (<dir>/<App>.script), read when the Application object is made,
// one Key=Value per line:
//   Version=10.0                       the Version property (default 9.0)
//   Converter=1|0|wpd|12|0|WordPerfect the next FileConverters item:
//                                      CanOpen|CanSave|Extensions|OpenFormat|SaveFormat|FormatName
//   Fail=Word.FileConverters(2).Extensions|Description
//                                      that member raises an exception with Description
//   FailCode=Word.Version|8004abcd     that member fails with the HRESULT (hex)
//   Unknown=Word.FileConverters        that member's name is not known (GetIDsOfNames fails)
//   DisconnectAfter=Word.Version       after that call, every call fails as on a
//                                      server that died (RPC_E_DISCONNECTED)
//   Title=Quarterly report             the Title of every document opened
// The format library double writes fmtbridge.transcript and returns the text
// of fmtbridge.script as every conversion's error.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace quillet::doubles {

enum class App { Word = 0, Excel = 1, PowerPoint = 2 };

class Doubles {
 public:
  // A fresh control folder, named to the doubles through QUILLET_DOUBLES_DIR,
  // and the three doubles registered under "Word.Application",
  // "Excel.Application" and "PowerPoint.Application".
  Doubles();
  // Stops running instances and removes every registration it made.
  ~Doubles();
  Doubles(const Doubles&) = delete;
  Doubles& operator=(const Doubles&) = delete;

  const std::string& dir() const;

  void Script(App app, const std::string& text);
  void Register(const std::string& progId, App app);
  void Unregister(const std::string& progId);

  // The "call" lines of App's transcript without the word "call".
  std::vector<std::string> Calls(App app) const;
  // Every line of the transcript.
  std::vector<std::string> Events(App app) const;
  // Objects made and not yet gone, by name.
  std::vector<std::string> LiveObjects(App app) const;

  // Starts an instance as a user would, visible, and registers it as the
  // running instance of its class.
  void StartRunning(App app);
  // Revokes it and lets it go.
  void StopRunning(App app);

  // Windows: waits until every server process of the doubles has ended (a
  // server started by automation ends when its last object is released);
  // false when one is still running after the timeout. Linux: always true.
  bool WaitForServersToExit(int timeoutMs = 10000);
  // Windows: ends the server processes that automation started, abruptly, as
  // a crash would. Linux: makes every later call fail as a disconnected one.
  void KillServers(App app);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The format library double: makes the variant the plain name "fmtbridge"
// resolves to ("full", "no-NoWordConvert", "no-GetSourceFormatList",
// "no-GetDestFormatList", or "none" for no library at all).
void UseFormatBridge(const std::string& variant);

}  // namespace quillet::doubles
