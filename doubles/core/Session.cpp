#include "Session.h"

#ifdef _WIN32
#include "platform/win32_handle.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/file.h"

namespace quillet::doubles {

namespace {
std::mutex g_sessionsLock;
std::vector<std::weak_ptr<Session>>& Sessions() {
  static std::vector<std::weak_ptr<Session>> sessions;
  return sessions;
}
}  // namespace

void TrackSession(const std::shared_ptr<Session>& session) {
  std::lock_guard<std::mutex> lock(g_sessionsLock);
  Sessions().push_back(session);
}

void KillSessions(const std::string& app) {
  std::lock_guard<std::mutex> lock(g_sessionsLock);
  for (auto& weak : Sessions())
    if (auto s = weak.lock(); s && s->app() == app) s->Die();
}

std::string ControlDir() {
  const char* dir = std::getenv("QUILLET_DOUBLES_DIR");
  if (dir && *dir) return dir;
#ifdef _WIN32
  // A server that COM starts may not inherit the client's environment (it
  // does under Wine, not under a service-launched activation): the control
  // folder is also in the registry.
  char buf[1024];
  DWORD size = sizeof buf;
  if (::RegGetValueA(HKEY_CURRENT_USER, "Software\\quillet-doubles", "Dir", RRF_RT_REG_SZ, nullptr, buf, &size) ==
      ERROR_SUCCESS)
    return buf;
#endif
  return {};
}

#ifdef _WIN32
void PinProcessIdInController() {
  DWORD pid = 0;
  if (const char* text = std::getenv("QUILLET_DOUBLES_CONTROLLER"); text && *text) {
    pid = static_cast<DWORD>(std::strtoul(text, nullptr, 10));
  } else {
    DWORD size = sizeof pid;
    if (::RegGetValueA(HKEY_CURRENT_USER, "Software\\quillet-doubles", "Controller", RRF_RT_REG_DWORD, nullptr,
                       &pid, &size) != ERROR_SUCCESS)
      pid = 0;
  }
  if (pid == 0 || pid == ::GetCurrentProcessId()) return;
  const os::UniqueHandle controller{::OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid)};
  if (!controller) return;
  // The copy belongs to the controller and is never closed there; it goes
  // when the controller's process ends.
  HANDLE copy = nullptr;
  ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), controller.get(), &copy, SYNCHRONIZE, FALSE, 0);
}
#endif

Session::Session(std::string app, bool automation) : app_(std::move(app)), automation_(automation) {
  const std::string dir = ControlDir();
  std::string text;
  if (!dir.empty()) {
    std::ifstream in(dir + "/" + app_ + ".script", std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    transcript_ = dir + "/" + app_ + ".transcript";
  }
  script_ = ParseScript(text);
  activePrinter = script_.activePrinter;
}

void Session::Write(const std::string& line) {
  if (transcript_.empty()) return;
  std::lock_guard<std::mutex> lock(writeLock_);
  if (const os::UniqueFile f{std::fopen(transcript_.c_str(), "ab")}) {
    std::fputs(line.c_str(), f.get());
    std::fputc('\n', f.get());
  }
}

bool Session::Hang() {
  std::unique_lock<std::mutex> lock(hangLock_);
  hangEnd_.wait(lock, [this] { return aborted_; });
  return true;
}

void Session::Abort() {
  {
    std::lock_guard<std::mutex> lock(hangLock_);
    aborted_ = true;
  }
  hangEnd_.notify_all();
}

}  // namespace quillet::doubles
