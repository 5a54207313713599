#include "DoubleControl.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "TestSupport.h"
#include "platform/com/ComPtr.h"

#ifdef _WIN32
#include <tlhelp32.h>

#include "platform/desktop.h"
#include "platform/unique_any.h"
#include "platform/win32_handle.h"
#else
#include <dlfcn.h>
#endif

namespace quillet::doubles {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPlugKitProgId = "plugkit.PKApplication";
// The doubles that are automation servers (local servers under Windows).
constexpr App kServed[] = {App::Word,     App::Excel,       App::PowerPoint,
                           App::PdfMaker, App::PdfDocument, App::InternetExplorer};

const char* Name(App app) {
  switch (app) {
    case App::Word: return "Word";
    case App::Excel: return "Excel";
    case App::PowerPoint: return "PowerPoint";
    case App::Acrobat: return "Acrobat";
    case App::PdfMaker: return "PdfMaker";
    case App::PdfDocument: return "PdfDocument";
    case App::Ghostscript: return "Ghostscript";
    case App::InternetExplorer: return "InternetExplorer";
  }
  return "?";
}

// The class identifiers of the doubles (as in doubles/core/Office.cpp).
const char* ClsidText(App app) {
  switch (app) {
    case App::Word: return "{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7701}";
    case App::Excel: return "{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7702}";
    case App::PowerPoint: return "{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7703}";
    case App::Acrobat: return "{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7710}";  // the bridge (doubles/core/PlugKit.cpp)
    case App::PdfMaker: return "{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7704}";
    case App::PdfDocument: return "{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7705}";
    case App::Ghostscript: return "";
    case App::InternetExplorer: return "{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7707}";
  }
  return "";
}

#ifndef _WIN32
CLSID Clsid(App app) {
  CLSID c{};
  ::CLSIDFromString(com::ToOle(ClsidText(app)).c_str(), &c);
  return c;
}
#endif

std::vector<std::string> ReadLines(const std::string& file) {
  std::vector<std::string> lines;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

void SetEnv(const char* name, const std::string& value) {
#ifdef _WIN32
  ::SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
  _putenv_s(name, value.c_str());
#else
  if (value.empty())
    ::unsetenv(name);
  else
    ::setenv(name, value.c_str(), 1);
#endif
}

#ifdef _WIN32
// A path of the build tree (a Linux path when the tests run under Wine).
std::string HostPath(std::string p) {
  if (!p.empty() && p[0] == '/') p = "Z:" + p;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

const char* ExeName(App app) {
  switch (app) {
    case App::Word: return "WINWORD.EXE";
    case App::Excel: return "EXCEL.EXE";
    case App::PowerPoint: return "POWERPNT.EXE";
    case App::Acrobat: return "acrobat.exe";
    case App::PdfMaker: return "ACRODIST.EXE";
    case App::PdfDocument: return "ACROBAT.EXE";
    case App::Ghostscript: return "";
    case App::InternetExplorer: return "IEXPLORE.EXE";
  }
  return "";
}

using UniqueKey = os::UniqueAny<HKEY, &::RegCloseKey>;

// The default value of a key under Software\Classes; false when there is none.
bool GetKey(const std::string& key, std::string& value) {
  char buf[1024];
  DWORD size = sizeof buf;
  if (::RegGetValueA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\" + key).c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buf,
                     &size) != ERROR_SUCCESS)
    return false;
  value = buf;
  return true;
}

void SetKey(const std::string& key, const std::string& value) {
  UniqueKey h;
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\" + key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        h.put(), nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot write registry key " + key);
  ::RegSetValueExA(h.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

struct Process {
  os::UniqueHandle process;
  DWORD thread = 0;
};

constexpr const char* kAcrobatAppPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Acrobat.exe";

std::string SystemDir() {
  char buffer[MAX_PATH];
  const UINT n = ::GetSystemDirectoryA(buffer, MAX_PATH);
  return std::string(buffer, n < MAX_PATH ? n : 0);
}

// Runs a command line and waits for it to end; false when it cannot start or
// does not end in time.
bool RunAndWait(std::string commandLine, DWORD show) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  os::UniqueHandle process(pi.hProcess), thread(pi.hThread);
  return ::WaitForSingleObject(process.get(), 60000) == WAIT_OBJECT_0;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
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

// Ends every process that runs a program of the doubles' folder, and says so
// on the error stream. A server that outlived its test still holds its class
// registration and answers the next test's creation, with the previous test's
// control folder and script, so no double may survive from one test into
// another.
void EndStrayDoubles(const char* why) {
  const std::string folder = Lower(HostPath(std::string(QUILLET_DOUBLES_BIN_DIR) + "/"));
  for (const os::ProcessEntry& entry : os::SystemDesktop()->ProcessSnapshot()) {
    const DWORD pid = entry.id;
    if (pid == ::GetCurrentProcessId()) continue;
    const os::UniqueHandle h{
        ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)};
    if (!h) continue;
    const std::string path = ImagePath(h.get());
    if (path.empty() || Lower(path).rfind(folder, 0) != 0) continue;
    if (::WaitForSingleObject(h.get(), 0) == WAIT_OBJECT_0) continue;
    std::fprintf(stderr, "note: %s: %s (process %lu) is ended\n", why, path.c_str(), (unsigned long)pid);
    // Asked to quit first: a server ended abruptly while its class is
    // registered leaves the registration behind in Wine, and no later server
    // of that class can register again until the prefix's server restarts.
    // Only one that does not quit (a call of it hangs) is terminated.
    PostQuitToThreadsOf(pid);
    if (::WaitForSingleObject(h.get(), 5000) == WAIT_OBJECT_0) continue;
    ::TerminateProcess(h.get(), 9);
    ::WaitForSingleObject(h.get(), 5000);
  }
}

// Whether the process runs one of the Acrobat program doubles (a process id
// of the list may have been given to another program since).
bool IsAcrobatDouble(HANDLE process) {
  const std::string path = ImagePath(process);
  const std::string name = Lower(path.substr(path.find_last_of("\\/") + 1));
  return name == "acrobat.exe" || name == "acrord32.exe";
}
#endif

}  // namespace

struct Doubles::State {
  test::TempDir dir;
  std::map<std::string, App> registered;  // ProgID -> double
  std::map<std::string, std::string> replaced;  // ProgID -> the class it named before (Windows)
  std::string previousDir;
  bool acrobatInstalled = false;
#ifdef _WIN32
  bool plugKitRegistered = false;
  std::map<int, Process> running;
#else
  std::string registryFile;
  void* library = nullptr;
  std::map<int, DWORD> running;  // cookies
  void WriteRegistry() {
    std::ofstream out(registryFile, std::ios::trunc);
    out << "# written by the test's double control\n";
    for (const auto& [progId, app] : registered)
      out << progId << " " << ClsidText(app) << " " << Name(app) << "GetClassObject " << QUILLET_OFFICE_DOUBLES_LIB
          << "\n";
  }
#endif
};

Doubles::Doubles() : state_(std::make_unique<State>()) {
  SetEnv("QUILLET_DOUBLES_DIR", state_->dir.path());
#ifdef _WIN32
  EndStrayDoubles("a double of an earlier test was still running");
  ::RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\quillet-doubles", "Dir", REG_SZ, state_->dir.path().c_str(),
                    static_cast<DWORD>(state_->dir.path().size() + 1));
  // Every double started from now on keeps its process id from being given
  // again while this program runs (see PinProcessIdInController).
  const DWORD controller = ::GetCurrentProcessId();
  SetEnv("QUILLET_DOUBLES_CONTROLLER", std::to_string(controller));
  ::RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\quillet-doubles", "Controller", REG_DWORD, &controller,
                    sizeof controller);
  for (App app : kServed) {
    const std::string exe = HostPath(std::string(QUILLET_DOUBLES_BIN_DIR) + "/" + ExeName(app));
    SetKey(std::string("CLSID\\") + ClsidText(app) + "\\LocalServer32", exe);
  }
#else
  state_->registryFile = state_->dir / "automation-servers";
  SetEnv("QUILLET_AUTOMATION_REGISTRY", state_->registryFile);
  state_->library = ::dlopen(QUILLET_OFFICE_DOUBLES_LIB, RTLD_NOW | RTLD_LOCAL);
  if (!state_->library) throw std::runtime_error("cannot load the office doubles");
#endif
  Register("Word.Application", App::Word);
  Register("Excel.Application", App::Excel);
  Register("PowerPoint.Application", App::PowerPoint);
  Register("PdfDistiller.PdfDistiller", App::PdfMaker);
  Register("AcroExch.PDDoc", App::PdfDocument);
}

Doubles::~Doubles() {
  EndAcrobat();
#ifdef _WIN32
  if (state_->plugKitRegistered) UnregisterPlugKit();
  if (state_->acrobatInstalled) ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAcrobatAppPath);
#endif
  for (App app : kServed) StopRunning(app);
  WaitForServersToExit();
#ifdef _WIN32
  EndStrayDoubles("a double was still running when its test ended");
#endif
  while (!state_->registered.empty()) {
    const std::string progId = state_->registered.begin()->first;  // a copy: the entry goes
    Unregister(progId);
  }
  SetEnv("QUILLET_DOUBLES_DIR", "");
#ifdef _WIN32
  ::RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\quillet-doubles", "Dir");
  ::RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\quillet-doubles", "Controller");
  SetEnv("QUILLET_DOUBLES_CONTROLLER", "");
#else
  SetEnv("QUILLET_AUTOMATION_REGISTRY", "");
  // The library stays loaded: the server registry keeps it loaded as well.
#endif
}

const std::string& Doubles::dir() const { return state_->dir.path(); }

void Doubles::Script(App app, const std::string& text) {
  test::WriteFile(state_->dir / (std::string(Name(app)) + ".script"), text);
}

void Doubles::Register(const std::string& progId, App app) {
#ifdef _WIN32
  // Only its own self-registration may register the bridge, as regsvr32 does.
  if (app == App::Acrobat) throw std::logic_error("the plug-in bridge is registered by RegisterPlugKit");
  state_->registered[progId] = app;
  // A class that the prefix itself registers under the ProgID (Wine's own
  // Internet Explorer) is named again when the double is unregistered.
  // The class is also kept under the doubles' own key, so that a run that was
  // killed before it could name the class again leaves it to the next run.
  std::string before;
  const std::string kept = "Software\\quillet-doubles\\Replaced";
  if (!state_->replaced.count(progId) && GetKey(progId + "\\CLSID", before)) {
    if (before != ClsidText(app)) {
      state_->replaced[progId] = before;
      ::RegSetKeyValueA(HKEY_CURRENT_USER, kept.c_str(), progId.c_str(), REG_SZ, before.c_str(),
                        static_cast<DWORD>(before.size() + 1));
    } else {
      char buf[256];
      DWORD size = sizeof buf;
      if (::RegGetValueA(HKEY_CURRENT_USER, kept.c_str(), progId.c_str(), RRF_RT_REG_SZ, nullptr, buf, &size) ==
          ERROR_SUCCESS)
        state_->replaced[progId] = buf;
    }
  }
  SetKey(progId + "\\CLSID", ClsidText(app));
#else
  state_->registered[progId] = app;
  state_->WriteRegistry();
#endif
}

void Doubles::Unregister(const std::string& progId) {
  state_->registered.erase(progId);
#ifdef _WIN32
  if (auto before = state_->replaced.find(progId); before != state_->replaced.end()) {
    SetKey(progId + "\\CLSID", before->second);
    state_->replaced.erase(before);
    return;
  }
  const std::string key = "Software\\Classes\\" + progId;
  ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, (key + "\\CLSID").c_str());
  ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
#else
  state_->WriteRegistry();
#endif
}

std::vector<std::string> Doubles::Events(App app) const {
  return ReadLines(state_->dir / (std::string(Name(app)) + ".transcript"));
}

std::vector<std::string> Doubles::Calls(App app) const {
  std::vector<std::string> calls;
  for (const std::string& line : Events(app))
    if (line.rfind("call ", 0) == 0) calls.push_back(line.substr(5));
  return calls;
}

std::vector<std::string> Doubles::LiveObjects(App app) const {
  std::vector<std::string> live;
  for (const std::string& line : Events(app)) {
    if (line.rfind("new ", 0) == 0) {
      live.push_back(line.substr(4));
    } else if (line.rfind("del ", 0) == 0) {
      for (auto it = live.begin(); it != live.end(); ++it) {
        if (*it == line.substr(4)) {
          live.erase(it);
          break;
        }
      }
    }
  }
  return live;
}

void Doubles::StartRunning(App app) {
  StopRunning(app);
#ifdef _WIN32
  const std::string ready = state_->dir / (std::string(Name(app)) + ".ready");
  std::remove(ready.c_str());
  std::string cmd = "\"" + HostPath(std::string(QUILLET_DOUBLES_BIN_DIR) + "/" + ExeName(app)) + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    throw std::runtime_error("cannot start " + cmd);
  os::UniqueHandle thread(pi.hThread);
  state_->running[int(app)] = {os::UniqueHandle(pi.hProcess), pi.dwThreadId};
  for (int i = 0; i < 1000 && !fs::exists(ready); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (!fs::exists(ready)) throw std::runtime_error(std::string("the running ") + Name(app) + " double did not start");
#else
  using CreateFn = IDispatch* (*)(int);
  auto create = reinterpret_cast<CreateFn>(::dlsym(state_->library, "CreateRunningApplication"));
  com::ComPtr<IDispatch> object = com::ComPtr<IDispatch>::Adopt(create(int(app)));
  DWORD cookie = 0;
  ::RegisterActiveObject(object.get(), Clsid(app), ACTIVEOBJECT_STRONG, &cookie);
  state_->running[int(app)] = cookie;
#endif
}

void Doubles::StopRunning(App app) {
  auto it = state_->running.find(int(app));
  if (it == state_->running.end()) return;
#ifdef _WIN32
  ::PostThreadMessageA(it->second.thread, WM_QUIT, 0, 0);
  HANDLE process = it->second.process.get();
  if (::WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) ::TerminateProcess(process, 1);
#else
  ::RevokeActiveObject(it->second, nullptr);
#endif
  state_->running.erase(it);
}

bool Doubles::WaitForServersToExit(int timeoutMs) {
#ifdef _WIN32
  bool allGone = true;
  for (App app : kServed) {
    for (const std::string& line : ReadLines(state_->dir / (std::string(Name(app)) + ".pids"))) {
      const DWORD pid = static_cast<DWORD>(std::strtoul(line.c_str(), nullptr, 10));
      const os::UniqueHandle h(::OpenProcess(SYNCHRONIZE, FALSE, pid));
      if (!h) continue;
      if (::WaitForSingleObject(h.get(), static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) allGone = false;
    }
  }
  return allGone;
#else
  (void)timeoutMs;
  return true;
#endif
}

void Doubles::KillServers(App app) {
#ifdef _WIN32
  for (const std::string& line : ReadLines(state_->dir / (std::string(Name(app)) + ".pids"))) {
    const DWORD pid = static_cast<DWORD>(std::strtoul(line.c_str(), nullptr, 10));
    auto running = state_->running.find(int(app));
    if (running != state_->running.end() && ::GetProcessId(running->second.process.get()) == pid) continue;
    if (const os::UniqueHandle h{::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)}) {
      ::TerminateProcess(h.get(), 9);
      ::WaitForSingleObject(h.get(), 5000);
    }
  }
#else
  using KillFn = void (*)(int);
  reinterpret_cast<KillFn>(::dlsym(state_->library, "KillApplication"))(int(app));
#endif
}

void Doubles::InstallAcrobat() {
#ifdef _WIN32
  const std::string exe = AcrobatFolder("Acrobat") + "acrobat.exe";
  UniqueKey h;
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kAcrobatAppPath, 0, nullptr, 0, KEY_WRITE, nullptr, h.put(), nullptr) !=
      ERROR_SUCCESS)
    throw std::runtime_error("cannot write the application path of Acrobat");
  ::RegSetValueExA(h.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(exe.c_str()),
                   static_cast<DWORD>(exe.size() + 1));
  state_->acrobatInstalled = true;
  // Copied over an older build; a copy this process has loaded already is this build's.
  const std::string target = SystemDir() + "\\plugkit.dll";
  if (!::CopyFileA(HostPath(std::string(QUILLET_DOUBLES_BIN_DIR) + "/plugkit.dll").c_str(), target.c_str(), FALSE) &&
      !fs::exists(target))
    throw std::runtime_error("cannot copy plugkit.dll into the system folder");
#endif
}

std::string Doubles::AcrobatFolder(const std::string& flavour) const {
#ifdef _WIN32
  return HostPath(std::string(QUILLET_DOUBLES_BIN_DIR) + "/" + flavour + "/");
#else
  (void)flavour;
  return {};
#endif
}

void Doubles::RegisterPlugKit() {
#ifdef _WIN32
  const std::string system = SystemDir();
  if (!RunAndWait("\"" + system + "\\regsvr32.exe\" /s \"" + system + "\\plugkit.dll\"", SW_HIDE))
    throw std::runtime_error("regsvr32 did not register plugkit.dll");
  state_->plugKitRegistered = true;
#else
  Register(kPlugKitProgId, App::Acrobat);
#endif
}

void Doubles::UnregisterPlugKit() {
#ifdef _WIN32
  ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string("Software\\Classes\\") + kPlugKitProgId).c_str());
  ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string("Software\\Classes\\CLSID\\") + ClsidText(App::Acrobat)).c_str());
  state_->plugKitRegistered = false;
#else
  Unregister(kPlugKitProgId);
#endif
}

void Doubles::StartAcrobat() {
#ifdef _WIN32
  std::string cmd = "\"" + AcrobatFolder("Acrobat") + "acrobat.exe\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    throw std::runtime_error("cannot start " + cmd);
  os::UniqueHandle process(pi.hProcess), thread(pi.hThread);
  for (int i = 0; i < 2000; ++i) {
    const auto events = Events(App::Acrobat);
    if (std::find(events.begin(), events.end(), "acrobat ready") != events.end()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  throw std::runtime_error("the Acrobat double did not get ready");
#else
  throw std::logic_error("there is no Acrobat program on Linux");
#endif
}

void Doubles::EndAcrobat() {
#ifdef _WIN32
  for (const unsigned long pid : AcrobatProcesses()) {
    const os::UniqueHandle h{
        ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)};
    if (!h || !IsAcrobatDouble(h.get())) continue;
    ::TerminateProcess(h.get(), 9);
    ::WaitForSingleObject(h.get(), 5000);
  }
#endif
}

std::vector<unsigned long> Doubles::AcrobatProcesses() const {
  std::vector<unsigned long> pids;
  for (const std::string& line : ReadLines(state_->dir / "Acrobat.pids"))
    if (!line.empty()) pids.push_back(std::strtoul(line.c_str(), nullptr, 10));
  return pids;
}

void UseGhostscriptDouble() {
#ifdef _WIN32
  ::SetDllDirectoryA(HostPath(QUILLET_GSDLL_DIR).c_str());
#endif
}

void UseFormatBridge(const std::string& variant) {
#ifdef _WIN32
  // The variants sit in folders of their own; the one chosen joins the
  // library search path ("none" names a folder without any).
  const std::string dir = HostPath(std::string(QUILLET_FMTBRIDGE_VARIANTS_DIR) + "/" + variant);
  fs::create_directories(dir);
  ::SetDllDirectoryA(dir.c_str());
#else
  // The test program searches its slot folder for plain library names; the
  // chosen variant is put there (replaced by rename, so that a copy that is
  // still mapped stays intact).
  const fs::path slot = fs::path(QUILLET_FMTBRIDGE_SLOT_DIR) / "libfmtbridge.so";
  fs::create_directories(slot.parent_path());
  if (variant == "none") {
    fs::remove(slot);
    return;
  }
  const fs::path source = fs::path(QUILLET_FMTBRIDGE_VARIANTS_DIR) / variant / "libfmtbridge.so";
  const fs::path temp = slot.string() + ".new";
  fs::copy_file(source, temp, fs::copy_options::overwrite_existing);
  fs::rename(temp, slot);
#endif
}

}  // namespace quillet::doubles
