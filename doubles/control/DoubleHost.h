// The system's side of the doubles' control (see DoubleControl.h): how the
// doubles become the automation servers of their classes, how their processes
// and running instances start and end, and what Acrobat needs installed. One
// interface, one body per system: DoubleHost_win32.cpp (COM local servers
// named in the registry, real processes) and DoubleHost_posix.cpp (the
// automation registry file and the doubles' shared object, in this process).
// DoubleControl.cpp holds what both share.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DoubleControl.h"
#include "TestSupport.h"

namespace quillet::doubles {

// The ProgID of the plug-in bridge.
inline constexpr const char* kPlugKitProgId = "plugkit.PKApplication";
// The doubles that are automation servers (local servers under Windows).
inline constexpr App kServed[] = {App::Word,     App::Excel,       App::PowerPoint,
                                  App::PdfMaker, App::PdfDocument, App::InternetExplorer};

// App's name in the control folder's files (<Name>.script, <Name>.transcript).
const char* Name(App app);
// The class identifier of App's double, in braces; empty for Ghostscript.
const char* ClsidText(App app);
// The lines of File without their line ends; none when it cannot be read.
std::vector<std::string> ReadLines(const std::string& file);
// Sets the environment variable Name for this process and the programs it
// starts; an empty Value removes it.
void SetEnv(const char* name, const std::string& value);

class DoubleHost {
 public:
  // Names the control folder Dir (which outlives the host) to every double
  // started from now on and makes the doubles' classes known to the system.
  // Under Windows it first ends any double left running by an earlier test.
  explicit DoubleHost(const test::TempDir& dir);
  // Takes back what the constructor gave out; the registrations go first
  // (Unregister).
  ~DoubleHost();
  DoubleHost(const DoubleHost&) = delete;
  DoubleHost& operator=(const DoubleHost&) = delete;

  // As Doubles::Register and Doubles::Unregister.
  void Register(const std::string& progId, App app);
  void Unregister(const std::string& progId);
  // The ProgIDs registered now, with their doubles.
  const std::map<std::string, App>& registered() const { return registered_; }

  // As the members of Doubles of the same names.
  void StartRunning(App app);
  void StopRunning(App app);
  bool WaitForServersToExit(int timeoutMs);
  void KillServers(App app);
  void InstallAcrobat();
  std::string AcrobatFolder(const std::string& flavour) const;
  void RegisterPlugKit();
  void UnregisterPlugKit();
  // Starts acrobat.exe as a user would, without waiting for it; throws
  // std::logic_error where there is no Acrobat program.
  void StartAcrobat();
  // Ends those of the processes Pids that still run an Acrobat program double.
  void EndAcrobat(const std::vector<unsigned long>& pids);
  // Takes back what InstallAcrobat and RegisterPlugKit did.
  void UninstallAcrobat();
  // Ends every double's process still running, saying Why on the error
  // stream (Windows; the Linux doubles live in this process).
  void EndStrayDoubles(const char* why);

 private:
  struct System;  // what the system's body keeps
  const test::TempDir& dir_;
  std::map<std::string, App> registered_;  // ProgID -> double
  std::unique_ptr<System> system_;
};

}  // namespace quillet::doubles
