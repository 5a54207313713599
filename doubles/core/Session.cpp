#include "Session.h"

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
  return SystemControlDir();
}

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
