#include "Session.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>

namespace quillet::doubles {

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

std::vector<std::string> SplitBar(const std::string& s) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t bar = s.find('|', start);
    parts.push_back(s.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return parts;
}

const char* DefaultVersion(const std::string& app) {
  if (app == "Excel") return "9.0";
  if (app == "PowerPoint") return "9.0";
  return "9.0";
}

}  // namespace

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

Script ParseScript(const std::string& text, const std::string& app) {
  Script s;
  s.version = DefaultVersion(app);
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "Version") {
      s.version = value;
    } else if (key == "Converter") {
      // CanOpen|CanSave|Extensions|OpenFormat|SaveFormat|FormatName
      const auto f = SplitBar(value);
      if (f.size() < 6) continue;
      ScriptedConverter c;
      c.canOpen = f[0] == "1";
      c.canSave = f[1] == "1";
      c.extensions = f[2];
      c.openFormat = std::atoi(f[3].c_str());
      c.saveFormat = std::atoi(f[4].c_str());
      c.formatName = f[5];
      s.converters.push_back(c);
    } else if (key == "Fail") {
      const size_t bar = value.find('|');
      if (bar != std::string::npos) s.failures[Lower(value.substr(0, bar))] = value.substr(bar + 1);
    } else if (key == "FailCode") {
      const size_t bar = value.find('|');
      if (bar != std::string::npos)
        s.failCodes[Lower(value.substr(0, bar))] =
            static_cast<int32_t>(std::strtoul(value.substr(bar + 1).c_str(), nullptr, 16));
    } else if (key == "Unknown") {
      s.unknown.push_back(Lower(value));
    } else if (key == "DisconnectAfter") {
      s.disconnectAfter = Lower(value);
    } else if (key == "Title") {
      s.title = value;
    }
  }
  return s;
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
  script_ = ParseScript(text, app_);
}

void Session::Write(const std::string& line) {
  if (transcript_.empty()) return;
  if (FILE* f = std::fopen(transcript_.c_str(), "ab")) {
    std::fputs(line.c_str(), f);
    std::fputc('\n', f);
    std::fclose(f);
  }
}

}  // namespace quillet::doubles
