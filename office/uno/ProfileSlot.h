// A private LibreOffice profile for an office process of our own. A profile
// can serve one soffice at a time, and building one costs more than starting
// LibreOffice, so profiles are kept per user in numbered slots under
// $XDG_CACHE_HOME/quillet/office (or ~/.cache/quillet/office) and reused; a
// slot is taken with an exclusive lock on its lock file, held as long as the
// slot object lives, so that processes starting at the same time each get a
// slot of their own. Each slot has a folder for soffice's temporary files,
// emptied when the slot is taken and when it is given back.
#pragma once

#include <string>
#include <vector>

namespace quillet::office::uno {

class ProfileSlot {
 public:
  // The first free slot; raises Failure when none can be had.
  static ProfileSlot Take();
  ProfileSlot(ProfileSlot&& o) noexcept;
  ProfileSlot& operator=(ProfileSlot&&) = delete;
  ProfileSlot(const ProfileSlot&) = delete;
  ~ProfileSlot();

  int number() const { return number_; }
  const std::string& profileFolder() const { return profile_; }
  const std::string& tempFolder() const { return temp_; }
  // Removes what soffice left in the temporary folder.
  void ClearTemp() const;
  // Files elsewhere that the slot's soffice made (its pipes' socket files):
  // removed when the slot is next taken, should that soffice have been
  // killed before it could remove them itself.
  void RememberFiles(const std::vector<std::string>& files) const;
  // Before its office starts: puts LibreOffice's settings that keep linked
  // and external content out into the profile (Confined), or takes them out
  // again, so that an office started without walls has LibreOffice's
  // defaults. Raises Failure when the profile's settings cannot be written.
  void Confine(bool confined) const;

 private:
  ProfileSlot(int number, int lockFd, std::string profile, std::string temp);
  int number_ = -1;
  int lockFd_ = -1;
  std::string profile_, temp_;
};

}  // namespace quillet::office::uno
