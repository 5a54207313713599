// A small file-search component: lists the entries of a folder (optionally of
// its whole subtree) that match one or more wildcard patterns, and hands back
// their full paths, sorted per folder by default.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "utilities/TextLines.h"

namespace quillet {

// The attribute kinds a listing may return besides normal files. Each member
// stands for the file-attribute bit 1 << ordinal (1, 2, 4, 8, 16).
enum TAttrOption { ffReadOnly, ffHidden, ffSysFile, ffVolumeID, ffDirectory };

class TAttrOptions {
 public:
  constexpr TAttrOptions() = default;
  constexpr TAttrOptions(std::initializer_list<TAttrOption> options) {
    for (TAttrOption o : options) bits_ |= Bit(o);
  }

  constexpr bool Contains(TAttrOption o) const { return (bits_ & Bit(o)) != 0; }
  constexpr TAttrOptions& Include(TAttrOption o) {
    bits_ |= Bit(o);
    return *this;
  }
  constexpr TAttrOptions& Exclude(TAttrOption o) {
    bits_ &= ~Bit(o);
    return *this;
  }
  // The file-attribute bits of the members, as the directory listing takes them.
  constexpr uint32_t Bits() const { return bits_; }
  constexpr bool operator==(const TAttrOptions&) const = default;

 private:
  static constexpr uint32_t Bit(TAttrOption o) { return 1u << static_cast<unsigned>(o); }
  uint32_t bits_ = 0;
};

class ThhFindFile {
 public:
  using TNotifyEvent = std::function<void(ThhFindFile& sender)>;
  // Called before each folder is listed, with the folder and its trailing delimiter.
  using TNewPathEvent = std::function<void(ThhFindFile& sender, const std::string& newPath, bool& abort)>;
  // Called for each accepted entry, with its full path.
  using TFindingEvent = std::function<void(ThhFindFile& sender, const std::string& sFindFileName, bool& abort)>;

  ThhFindFile() = default;
  ThhFindFile(const ThhFindFile&) = delete;
  ThhFindFile& operator=(const ThhFindFile&) = delete;

  // Settings.
  TAttrOptions Attributes{ffReadOnly, ffHidden, ffSysFile};
  std::string Directory;
  std::string Filter = "*.*";  // one wildcard pattern per line
  bool Recurse = false;
  bool Sorted = true;
  // With StrictRO set and ffReadOnly not in Attributes, read-only files are skipped.
  bool StrictRO = false;

  TNotifyEvent BeforeExecute;
  TNotifyEvent AfterExecute;
  TNewPathEvent OnNewPath;
  TFindingEvent Finding;

  // Run-time state: the result and what the last search saw.
  StringList Files;
  bool Abort = false;
  int64_t TotalSize = 0;  // sum of the accepted entries' sizes
  int32_t FolderCount = 0;
  int32_t FileCount = 0;

  // Runs the search the settings describe and fills Files with full paths.
  void Execute();

  // Lists Dir's matching entries into Files.
  void ScanFolder(const std::string& dir);
  // Scans Dir and every folder below it, depth first.
  void WalkFolders(const std::string& dir);
  // Adds the subfolders of D to Pending (at its front when Sorted, else at its end).
  void ListSubFolders(StringList& pending, const std::string& d) const;

 private:
  uint32_t attrMask_ = 0;  // the listing mask of the running search
};

// The order Files and the folder walk use: ASCII letters compared without regard
// to case, and the folder delimiter sorting below every other character so that
// a folder's whole subtree comes before a sibling whose name merely extends the
// folder's name ("a\z" before "a.old"). Names equal apart from case fall back to
// plain byte order, which keeps the order total.
bool PathLess(const std::string& a, const std::string& b);

}  // namespace quillet
