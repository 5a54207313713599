// The doubles' control under Windows: the doubles are COM local servers,
// named in the registry, that run as programs of their own.
#include "DoubleHost.h"

#include <windows.h>
#include <tlhelp32.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "platform/ascii.h"
#include "platform/desktop.h"
#include "platform/win32_handle.h"
#include "platform/win32_registry.h"

namespace quillet::doubles {

namespace fs = std::filesystem;

namespace {

// A path of the build tree (a Linux path when the tests run under Wine).
std::string HostPath(std::string p) {
  if (!p.empty() && p[0] == '/') p = "Z:" + p;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

// The program of a double in the build tree.
std::string BinPath(const std::string& leaf) { return HostPath(std::string(QUILLET_DOUBLES_BIN_DIR) + "/" + leaf); }

const char* ExeName(App app) {
  switch (app) {
    case App::Word:
      return "WINWORD.EXE";
    case App::Excel:
      return "EXCEL.EXE";
    case App::PowerPoint:
      return "POWERPNT.EXE";
    case App::Acrobat:
      return "acrobat.exe";
    case App::PdfMaker:
      return "ACRODIST.EXE";
    case App::PdfDocument:
      return "ACROBAT.EXE";
    case App::Ghostscript:
      return "";
    case App::InternetExplorer:
      return "IEXPLORE.EXE";
  }
  return "";
}

constexpr const char* kClasses = "Software\\Classes\\";

// The default value of a key under Software\Classes; false when there is none.
bool GetKey(const std::string& key, std::string& value) {
  const std::optional<std::string> text = os::RegistryKey::Open(HKEY_LOCAL_MACHINE, kClasses + key).ReadText();
  if (text) value = *text;
  return text.has_value();
}

// Sets the default value of Key (under HKEY_LOCAL_MACHINE) to Value; What
// names the key in the error.
void SetMachineKey(const std::string& key, const std::string& value, const std::string& what) {
  os::RegistryKey h = os::RegistryKey::Create(HKEY_LOCAL_MACHINE, key, KEY_WRITE);
  if (!h) throw std::runtime_error("cannot write " + what);
  h.WriteText({}, value);
}

void SetKey(const std::string& key, const std::string& value) {
  SetMachineKey(kClasses + key, value, "registry key " + key);
}

struct Process {
  os::UniqueHandle process;
  DWORD thread = 0;
};

constexpr const char* kAcrobatAppPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Acrobat.exe";
constexpr const char* kOwnKey = "Software\\quillet-doubles";

std::string SystemDir() {
  char buffer[MAX_PATH];
  const UINT n = ::GetSystemDirectoryA(buffer, MAX_PATH);
  return std::string(buffer, n < MAX_PATH ? n : 0);
}

// Starts a command line, its window as Flags and Show say (STARTUPINFO), and
// keeps the id of its main thread in Thread when asked to; an empty handle
// when the program cannot start.
os::UniqueHandle Start(std::string commandLine, DWORD flags, DWORD show, DWORD* thread = nullptr) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = flags;
  si.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return {};
  const os::UniqueHandle mainThread(pi.hThread);
  if (thread) *thread = pi.dwThreadId;
  return os::UniqueHandle(pi.hProcess);
}

// Runs a command line and waits for it to end; false when it cannot start or
// does not end in time.
bool RunAndWait(const std::string& commandLine, DWORD show) {
  const os::UniqueHandle process = Start(commandLine, STARTF_USESHOWWINDOW, show);
  return process && ::WaitForSingleObject(process.get(), 60000) == WAIT_OBJECT_0;
}

// The full path of the program the process runs; empty when it cannot be read.
std::string ImagePath(HANDLE process) {
  char image[MAX_PATH];
  DWORD size = MAX_PATH;
  if (!::QueryFullProcessImageNameA(process, 0, image, &size)) return {};
  return std::string(image, size);
}

// Posts WM_QUIT to every thread of the process (a double's main thread ends
// its message loop on it and gives its class registration back).
void PostQuitToThreadsOf(DWORD pid) {
  const os::UniqueHandle snapshot{::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0)};
  if (!os::IsValid(snapshot)) return;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry))
    if (entry.th32OwnerProcessID == pid) ::PostThreadMessageA(entry.th32ThreadID, WM_QUIT, 0, 0);
}

// Whether the process runs one of the Acrobat program doubles (a process id
// of the list may have been given to another program since).
bool IsAcrobatDouble(HANDLE process) {
  const std::string path = ImagePath(process);
  const std::string name = ascii::ToLower(path.substr(path.find_last_of("\\/") + 1));
  return name == "acrobat.exe" || name == "acrord32.exe";
}

// Terminates the process and gives it a few seconds to go.
void Terminate(HANDLE process) {
  ::TerminateProcess(process, 9);
  ::WaitForSingleObject(process, 5000);
}

}  // namespace

void SetEnv(const char* name, const std::string& value) {
  ::SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
  _putenv_s(name, value.c_str());
}

struct DoubleHost::System {
  std::map<std::string, std::string> replaced;  // ProgID -> the class it named before
  bool acrobatInstalled = false;
  bool plugKitRegistered = false;
  std::map<int, Process> running;
};

DoubleHost::DoubleHost(const test::TempDir& dir) : dir_(dir), system_(std::make_unique<System>()) {
  EndStrayDoubles("a double of an earlier test was still running");
  os::RegistryKey own = os::RegistryKey::Create(HKEY_CURRENT_USER, kOwnKey, KEY_SET_VALUE);
  own.WriteText("Dir", dir_.path());
  // Every double started from now on keeps its process id from being given
  // again while this program runs (see PinProcessIdInController).
  const DWORD controller = ::GetCurrentProcessId();
  SetEnv("QUILLET_DOUBLES_CONTROLLER", std::to_string(controller));
  own.WriteDword("Controller", controller);
  for (App app : kServed) SetKey(std::string("CLSID\\") + ClsidText(app) + "\\LocalServer32", BinPath(ExeName(app)));
}

DoubleHost::~DoubleHost() {
  os::RegistryKey own = os::RegistryKey::Open(HKEY_CURRENT_USER, kOwnKey, KEY_SET_VALUE);
  own.DeleteValue("Dir");
  own.DeleteValue("Controller");
  SetEnv("QUILLET_DOUBLES_CONTROLLER", "");
}

void DoubleHost::Register(const std::string& progId, App app) {
  // Only its own self-registration may register the bridge, as regsvr32 does.
  if (app == App::Acrobat) throw std::logic_error("the plug-in bridge is registered by RegisterPlugKit");
  registered_[progId] = app;
  // A class that the prefix itself registers under the ProgID (Wine's own
  // Internet Explorer) is named again when the double is unregistered.
  // The class is also kept under the doubles' own key, so that a run that was
  // killed before it could name the class again leaves it to the next run.
  std::string before;
  const std::string keptKey = std::string(kOwnKey) + "\\Replaced";
  if (!system_->replaced.count(progId) && GetKey(progId + "\\CLSID", before)) {
    if (before != ClsidText(app)) {
      system_->replaced[progId] = before;
      os::RegistryKey::Create(HKEY_CURRENT_USER, keptKey, KEY_SET_VALUE).WriteText(progId, before);
    } else if (const auto kept = os::RegistryKey::Open(HKEY_CURRENT_USER, keptKey).ReadText(progId)) {
      system_->replaced[progId] = *kept;
    }
  }
  SetKey(progId + "\\CLSID", ClsidText(app));
}

void DoubleHost::Unregister(const std::string& progId) {
  registered_.erase(progId);
  if (auto before = system_->replaced.find(progId); before != system_->replaced.end()) {
    SetKey(progId + "\\CLSID", before->second);
    system_->replaced.erase(before);
    return;
  }
  const std::string key = kClasses + progId;
  os::RegistryKey::DeleteKey(HKEY_LOCAL_MACHINE, key + "\\CLSID");
  os::RegistryKey::DeleteKey(HKEY_LOCAL_MACHINE, key);
}

void DoubleHost::StartRunning(App app) {
  const std::string ready = dir_ / (std::string(Name(app)) + ".ready");
  std::remove(ready.c_str());
  const std::string cmd = "\"" + BinPath(ExeName(app)) + "\"";
  DWORD thread = 0;
  os::UniqueHandle process = Start(cmd, 0, 0, &thread);
  if (!process) throw std::runtime_error("cannot start " + cmd);
  system_->running[int(app)] = {std::move(process), thread};
  for (int i = 0; i < 1000 && !fs::exists(ready); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (!fs::exists(ready)) throw std::runtime_error(std::string("the running ") + Name(app) + " double did not start");
}

void DoubleHost::StopRunning(App app) {
  auto it = system_->running.find(int(app));
  if (it == system_->running.end()) return;
  ::PostThreadMessageA(it->second.thread, WM_QUIT, 0, 0);
  HANDLE process = it->second.process.get();
  if (::WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) ::TerminateProcess(process, 1);
  system_->running.erase(it);
}

bool DoubleHost::WaitForServersToExit(int timeoutMs) {
  bool allGone = true;
  for (App app : kServed) {
    for (const std::string& line : ReadLines(dir_ / (std::string(Name(app)) + ".pids"))) {
      const DWORD pid = static_cast<DWORD>(std::strtoul(line.c_str(), nullptr, 10));
      const os::UniqueHandle h(::OpenProcess(SYNCHRONIZE, FALSE, pid));
      if (!h) continue;
      if (::WaitForSingleObject(h.get(), static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) allGone = false;
    }
  }
  return allGone;
}

void DoubleHost::KillServers(App app) {
  for (const std::string& line : ReadLines(dir_ / (std::string(Name(app)) + ".pids"))) {
    const DWORD pid = static_cast<DWORD>(std::strtoul(line.c_str(), nullptr, 10));
    auto running = system_->running.find(int(app));
    if (running != system_->running.end() && ::GetProcessId(running->second.process.get()) == pid) continue;
    if (const os::UniqueHandle h{::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)}) Terminate(h.get());
  }
}

void DoubleHost::InstallAcrobat() {
  SetMachineKey(kAcrobatAppPath, AcrobatFolder("Acrobat") + "acrobat.exe", "the application path of Acrobat");
  system_->acrobatInstalled = true;
  // Copied over an older build; a copy this process has loaded already is this build's.
  const std::string target = SystemDir() + "\\plugkit.dll";
  if (!::CopyFileA(BinPath("plugkit.dll").c_str(), target.c_str(), FALSE) && !fs::exists(target))
    throw std::runtime_error("cannot copy plugkit.dll into the system folder");
}

std::string DoubleHost::AcrobatFolder(const std::string& flavour) const { return BinPath(flavour + "/"); }

void DoubleHost::RegisterPlugKit() {
  const std::string system = SystemDir();
  if (!RunAndWait("\"" + system + "\\regsvr32.exe\" /s \"" + system + "\\plugkit.dll\"", SW_HIDE))
    throw std::runtime_error("regsvr32 did not register plugkit.dll");
  system_->plugKitRegistered = true;
}

void DoubleHost::UnregisterPlugKit() {
  os::RegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, kClasses + std::string(kPlugKitProgId));
  os::RegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, kClasses + std::string("CLSID\\") + ClsidText(App::Acrobat));
  system_->plugKitRegistered = false;
}

void DoubleHost::StartAcrobat() {
  const std::string cmd = "\"" + AcrobatFolder("Acrobat") + "acrobat.exe\"";
  if (!Start(cmd, STARTF_USESHOWWINDOW, SW_SHOWNORMAL)) throw std::runtime_error("cannot start " + cmd);
}

void DoubleHost::EndAcrobat(const std::vector<unsigned long>& pids) {
  for (const unsigned long pid : pids) {
    const os::UniqueHandle h{
        ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)};
    if (h && IsAcrobatDouble(h.get())) Terminate(h.get());
  }
}

void DoubleHost::UninstallAcrobat() {
  if (system_->plugKitRegistered) UnregisterPlugKit();
  if (system_->acrobatInstalled) os::RegistryKey::DeleteKey(HKEY_LOCAL_MACHINE, kAcrobatAppPath);
}

// A server that outlived its test still holds its class registration and
// answers the next test's creation, with the previous test's control folder
// and script, so no double may survive from one test into another.
void DoubleHost::EndStrayDoubles(const char* why) {
  const std::string folder = ascii::ToLower(BinPath(""));
  for (const os::ProcessEntry& entry : os::SystemDesktop()->ProcessSnapshot()) {
    const DWORD pid = entry.id;
    if (pid == ::GetCurrentProcessId()) continue;
    const os::UniqueHandle h{
        ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)};
    if (!h) continue;
    const std::string path = ImagePath(h.get());
    if (path.empty() || ascii::ToLower(path).rfind(folder, 0) != 0) continue;
    if (::WaitForSingleObject(h.get(), 0) == WAIT_OBJECT_0) continue;
    std::fprintf(stderr, "note: %s: %s (process %lu) is ended\n", why, path.c_str(), (unsigned long)pid);
    // Asked to quit first: a server ended abruptly while its class is
    // registered leaves the registration behind in Wine, and no later server
    // of that class can register again until the prefix's server restarts.
    // Only one that does not quit (a call of it hangs) is terminated.
    PostQuitToThreadsOf(pid);
    if (::WaitForSingleObject(h.get(), 5000) == WAIT_OBJECT_0) continue;
    Terminate(h.get());
  }
}

void UseGhostscriptDouble() { ::SetDllDirectoryA(HostPath(QUILLET_GSDLL_DIR).c_str()); }

void UseFormatBridge(const std::string& variant) {
  // The variants sit in folders of their own; the one chosen joins the
  // library search path ("none" names a folder without any).
  const std::string dir = HostPath(std::string(QUILLET_FMTBRIDGE_VARIANTS_DIR) + "/" + variant);
  fs::create_directories(dir);
  ::SetDllDirectoryA(dir.c_str());
}

}  // namespace quillet::doubles
