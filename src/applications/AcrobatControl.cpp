// Starting Acrobat and its plug-in bridge, and letting the bridge go at the end.
#include "applications/AcrobatControl.h"

#include <algorithm>
#include <cstdio>

#include "applications/OfficeApplications.h"
#include "dialogs/FindAppWindow.h"
#include "platform/clock.h"
#include "platform/named_mutex.h"
#include "platform/path.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/sysinfo.h"
#include "utilities/IniFile.h"
#include "utilities/Messages.h"
#include "utilities/Strings.h"
#include "utilities/SysUtils.h"

namespace quillet {

namespace {

constexpr const char* kAcrobatAppPathKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Acrobat.exe";
// Acrobat's main window has this in its class name or caption.
constexpr const char* kAcrobatWindow = "AdobeAcrobat";
constexpr const char* kDdeServerWindow = "DDE Server Window";
// Between two attempts to open the plug-in's mutex.
constexpr uint32_t kMutexPollMs = 10;
// Between two searches for the DDE server window.
constexpr uint32_t kDdePollMs = 50;
// The longest single wait for the plug-in to let go of its mutex.
constexpr uint32_t kReadyStepMs = 100;

// Makes the bridge object, once more after registering plugkit.dll with the
// system's regsvr32 when its class cannot be had. False when even that fails.
// Server keeps what a conversion past its deadline needs to stop the bridge's
// server; the object itself goes to Bridge.
bool CreateBridge(TApplicationSlot& server, ole::Variant& bridge) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    // A running bridge or a new one: the same to the converter.
    if (server.Start({kPlugKitProgId})) {
      bridge = std::move(server.Object);
      return true;
    }
    if (attempt == 0) {
      const std::string system = GetSystemFolder();
      RunProgramAndWait(system + "regsvr32.exe", system + "plugkit.dll /s", 1);
    }
  }
  return false;
}

// Lets the user see Acrobat: restores its window and brings it forward.
void ShowAcrobatWindow() {
  const os::WindowHandle window = FindAppWindow("", kAcrobatWindow, "", "");
  if (window == os::NoWindow) return;
  const auto desktop = os::CurrentDesktop();
  desktop->ShowWindow(window, os::kShowRestore);
  desktop->SetForegroundWindow(window);
}

}  // namespace

std::string GetAcrobatFolder() {
  std::string folder = path::ExtractFilePath(os::ReadMachineRegistryText(kAcrobatAppPathKey, ""));
  if (folder.empty()) folder = os::ReadMachineRegistryText(kAcrobatAppPathKey, "path");
  if (const size_t semicolon = folder.find(';'); semicolon != std::string::npos) folder.resize(semicolon);
  if (!folder.empty() && folder.back() != path::kDelimiter) folder += path::kDelimiter;
  return folder;
}

std::string GetAcrobatPlugInsFolder(const std::string& productName) {
  const std::string fallback = GetAcrobatFolder() + "plug_ins" + path::kDelimiter;
  // A section name, not a path: the backslash is the same on every system.
  const std::vector<IniEntry> section = ReadIniSection(os::ExecutableFolder() + "set.ini", "Tarnwick\\" + productName);
  return section.empty() ? fallback : IniValue(section, "Plug-ins Path", fallback);
}

std::string PlugInNotReadyText(uint32_t waitMs) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%g", waitMs / 1000.0);
  return std::string("Error, the plug-ins for acrobat did not finish loading within ") + seconds + " seconds";
}

Status TOfficeApplications::StartAcrobat() {
  if (acrobatStarted_) return Status::Ok();
  acrobatLaunched_ = false;
  // Where the bridge converts by itself, it is all there is to start.
  if (os::kApplicationsHaveWindows) {
    Status running = LaunchAcrobat();
    if (!running) return running;
  }

  if (!CreateBridge(acrobatServer_, acrobatBridge_)) return Status(ErrorCode::NotInstalled, texts::kCannotLoadPlugKit);
  if (acrobatBridge_.CallOrGet("IsPlug_insLoadOk").AsInteger() != 0) {
    acrobatStarted_ = true;
    return Status::Ok();
  }
  // The bridge is kept; the next request asks it again.
  ShowAcrobatWindow();
  return Status(ErrorCode::NotInstalled, texts::kPlugInsNotInstalled);
}

Status TOfficeApplications::LaunchAcrobat() {
  acrobatLaunched_ = false;
  // The program sits in the folder above the plug-ins folder; a path naming
  // the Reader means the Reader's program.
  const std::string folder = LowerCase(GetAcrobatPlugInsFolder(kAcrobatProductName)) + "..";
  const std::string exeName = Contains(folder, "reader") ? "AcroRd32.exe" : "acrobat.exe";
  if (FindAppWindow("", kAcrobatWindow, "", "") != os::NoWindow) return Status::Ok();  // running already

  const std::string program = folder + path::kDelimiter + exeName;
  if (RunProgram(program, "", 0) == 0) return Status(ErrorCode::NotInstalled, texts::CannotRun(program));
  acrobatLaunched_ = true;

  // Acrobat is up once its DDE server window exists. One that never shows it
  // is taken as ready when the wait runs out.
  const uint32_t launchedAt = os::TickCount();
  for (;;) {
    os::ProcessMessages();
    os::SleepMs(kDdePollMs);
    if (os::TicksSince(launchedAt) > acrobatWaits_.DdeServerMs) return Status::Ok();
    if (deadlinePassed_) return Status(ErrorCode::Deadline, texts::kAcrobatPastDeadline);
    if (FindAppWindow(exeName, kDdeServerWindow, "", "") != os::NoWindow) break;
  }

  // The plug-in makes its mutex when it starts loading and lets go of it when
  // it is ready: wait for the mutex to exist, then take it (and give it back).
  // A mutex that never appears is a plug-in that is not there.
  const uint32_t searchedFrom = os::TickCount();
  os::NamedMutex mutex = os::NamedMutex::Open(kPlugInMutexName);
  while (!mutex) {
    if (deadlinePassed_) return Status(ErrorCode::Deadline, texts::kAcrobatPastDeadline);
    if (os::TicksSince(searchedFrom) >= acrobatWaits_.MutexOpenMs)
      return Status(ErrorCode::NotInstalled, texts::kCannotOpenMutex);
    os::SleepMs(kMutexPollMs);
    mutex = os::NamedMutex::Open(kPlugInMutexName);
  }
  // Waited for in short steps: the request's deadline may pass meanwhile.
  os::NamedMutex::WaitResult ready = os::NamedMutex::WaitResult::TimedOut;
  const uint32_t readyFrom = os::TickCount();
  for (;;) {
    const uint32_t waited = os::TicksSince(readyFrom);
    const uint32_t left = waited >= acrobatWaits_.PlugInReadyMs ? 0 : acrobatWaits_.PlugInReadyMs - waited;
    ready = mutex.Wait(std::min(kReadyStepMs, left));
    if (ready != os::NamedMutex::WaitResult::TimedOut || left <= kReadyStepMs) break;
    if (deadlinePassed_) return Status(ErrorCode::Deadline, texts::kAcrobatPastDeadline);
  }
  switch (ready) {
    case os::NamedMutex::WaitResult::Acquired:
    case os::NamedMutex::WaitResult::Abandoned:  // the plug-in's thread ended: loading is over either way
      return Status::Ok();
    case os::NamedMutex::WaitResult::TimedOut:
      return Status::Failed(PlugInNotReadyText(acrobatWaits_.PlugInReadyMs));
    case os::NamedMutex::WaitResult::Failed:
      break;
  }
  return Status::Failed(texts::kCannotWaitForPlugIns);
}

bool TOfficeApplications::ReleaseAcrobatBridge() {
  if (acrobatStarted_) acrobatBridge_ = ole::Variant();
  // What the deadline kept of the bridge's server (its control holds the
  // bridge) goes too; Acrobat itself is neither quit nor shown.
  acrobatServer_.GiveUp(os::CurrentThreadId(), TApplicationSlot::kNotShown);
  return true;
}

}  // namespace quillet
