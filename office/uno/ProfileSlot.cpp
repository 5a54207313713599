#include "uno/ProfileSlot.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>

#include "automation/Failure.h"

namespace quillet::office::uno {

namespace {

constexpr int kSlots = 64;

std::filesystem::path SlotsFolder() {
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg) return std::filesystem::path(xdg) / "quillet/office";
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
    : number_(o.number_), lockFd_(std::exchange(o.lockFd_, -1)), profile_(std::move(o.profile_)), temp_(std::move(o.temp_)) {}

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
