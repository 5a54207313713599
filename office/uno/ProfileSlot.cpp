#include "uno/ProfileSlot.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "automation/Failure.h"

namespace quillet::office::uno {

namespace {

constexpr int kSlots = 64;

std::filesystem::path SlotsFolder() {
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg)
    return std::filesystem::path(xdg) / "quillet/office";
  if (const char* home = std::getenv("HOME"); home && *home)
    return std::filesystem::path(home) / ".cache/quillet/office";
  return std::filesystem::temp_directory_path() / ("quillet-office-" + std::to_string(::getuid()));
}

void Empty(const std::string& folder) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) std::filesystem::remove_all(entry, ec);
}

}  // namespace

ProfileSlot::ProfileSlot(int number, int lockFd, std::string profile, std::string temp)
    : number_(number), lockFd_(lockFd), profile_(std::move(profile)), temp_(std::move(temp)) {}

ProfileSlot::ProfileSlot(ProfileSlot&& o) noexcept
    : number_(o.number_),
      lockFd_(std::exchange(o.lockFd_, -1)),
      profile_(std::move(o.profile_)),
      temp_(std::move(o.temp_)) {}

ProfileSlot::~ProfileSlot() {
  if (lockFd_ < 0) return;
  ClearTemp();
  ::close(lockFd_);  // gives the lock back
}

void ProfileSlot::ClearTemp() const { Empty(temp_); }

namespace {

std::string RememberedList(const std::string& profile) {
  return (std::filesystem::path(profile).parent_path() / "files").string();
}

}  // namespace

void ProfileSlot::RememberFiles(const std::vector<std::string>& files) const {
  std::ofstream out(RememberedList(profile_), std::ios::trunc);
  for (const std::string& f : files) out << f << '\n';
}

namespace {

// LibreOffice's settings of a confined office, as its profile keeps them
// (registrymodifications.xcu, one item per line):
// - linked content is loaded only for documents from trusted places (none
//   here): pictures linked over http(s), file:// or relative paths in text
//   documents, spreadsheets, presentations and web pages stay out;
// - every fetch over http, https and ftp goes through a proxy at a loopback
//   port where nothing listens (port 1, tcpmux, which nothing serves), so
//   that what the first setting does not cover (the stylesheets of a web
//   page) cannot leave the machine either. No host is exempt.
struct Setting {
  const char* path;
  const char* name;
  const char* value;
};
constexpr Setting kWalls[] = {
    {"/org.openoffice.Office.Common/Security/Scripting", "BlockUntrustedRefererLinks", "true"},
    {"/org.openoffice.Inet/Settings", "ooInetProxyType", "2"},
    {"/org.openoffice.Inet/Settings", "ooInetHTTPProxyName", "127.0.0.1"},
    {"/org.openoffice.Inet/Settings", "ooInetHTTPProxyPort", "1"},
    {"/org.openoffice.Inet/Settings", "ooInetHTTPSProxyName", "127.0.0.1"},
    {"/org.openoffice.Inet/Settings", "ooInetHTTPSProxyPort", "1"},
    {"/org.openoffice.Inet/Settings", "ooInetFTPProxyName", "127.0.0.1"},
    {"/org.openoffice.Inet/Settings", "ooInetFTPProxyPort", "1"},
    {"/org.openoffice.Inet/Settings", "ooInetNoProxy", ""},
};

constexpr const char* kItemsStart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
    "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
constexpr const char* kItemsEnd = "</oor:items>";

std::string ItemStart(const Setting& s) {
  return std::string("<item oor:path=\"") + s.path + "\"><prop oor:name=\"" + s.name + "\"";
}

}  // namespace

void ProfileSlot::Confine(bool confined) const {
  const std::filesystem::path file = std::filesystem::path(profile_) / "user/registrymodifications.xcu";
  std::string text;
  {
    std::ifstream in(file, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (text.empty() && !confined) return;
  // Whatever the walls set, taken out (LibreOffice writes back what it read).
  const std::string original = text;
  for (const Setting& s : kWalls) {
    const std::string start = ItemStart(s);
    for (size_t at; (at = text.find(start)) != std::string::npos;) {
      size_t end = text.find("</item>", at);
      end = end == std::string::npos ? text.size() : end + 7;
      if (end < text.size() && text[end] == '\n') ++end;
      text.erase(at, end - at);
    }
  }
  if (confined) {
    size_t end = text.rfind(kItemsEnd);
    if (end == std::string::npos) {
      text = kItemsStart;  // none yet (a new profile), or not LibreOffice's
      end = text.size();
      text += std::string(kItemsEnd) + "\n";
    }
    std::string items;
    for (const Setting& s : kWalls)
      items += ItemStart(s) + " oor:op=\"fuse\"><value>" + s.value + "</value></prop></item>\n";
    text.insert(end, items);
  }
  if (text == original) return;
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  const std::filesystem::path written = file.string() + ".quillet";
  {
    std::ofstream out(written, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) throw Failure("The settings of the LibreOffice profile cannot be written: " + written.string());
  }
  std::filesystem::rename(written, file, ec);
  if (ec) throw Failure("The settings of the LibreOffice profile cannot be written: " + file.string());
}

ProfileSlot ProfileSlot::Take() {
  const std::filesystem::path base = SlotsFolder();
  std::error_code ec;
  std::filesystem::create_directories(base, ec);
  if (ec) throw Failure("The folder for LibreOffice profiles cannot be created: " + base.string());
  for (int n = 0; n < kSlots; ++n) {
    const std::filesystem::path slot = base / ("slot-" + std::to_string(n));
    const std::string lockFile = slot.string() + ".lock";
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      continue;
    }
    ProfileSlot taken(n, fd, (slot / "profile").string(), (slot / "tmp").string());
    std::filesystem::create_directories(taken.profile_, ec);
    std::filesystem::create_directories(taken.temp_, ec);
    taken.ClearTemp();
    {
      std::ifstream remembered(RememberedList(taken.profile_));
      std::string file;
      while (std::getline(remembered, file))
        if (!file.empty()) std::filesystem::remove(file, ec);
    }
    std::filesystem::remove(RememberedList(taken.profile_), ec);
    // A lock file left by a soffice that was killed: nobody else can be using
    // this profile while the slot is ours.
    std::filesystem::remove(std::filesystem::path(taken.profile_) / ".lock", ec);
    return taken;
  }
  throw Failure("No LibreOffice profile slot is free under " + base.string());
}

}  // namespace quillet::office::uno
