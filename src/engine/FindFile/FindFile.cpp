#include "engine/FindFile/FindFile.h"

#include <algorithm>

#include "platform/fs.h"
#include "platform/path.h"

namespace quillet {

namespace {

// Sort key of one character: the delimiter lowest, then every other byte with
// ASCII letters folded to lower case.
unsigned SortKey(char c) {
  if (c == path::kDelimiter) return 0;
  unsigned u = static_cast<unsigned char>(c);
  if (u >= 'A' && u <= 'Z') u += 'a' - 'A';
  return u + 1;
}

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

}  // namespace

bool PathLess(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned ka = SortKey(a[i]), kb = SortKey(b[i]);
    if (ka != kb) return ka < kb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

void ThhFindFile::Execute() {
  Abort = false;
  attrMask_ = Attributes.Bits();
  Files.clear();
  TotalSize = 0;
  FolderCount = 0;
  FileCount = 0;

  if (BeforeExecute) BeforeExecute(*this);
  if (!Directory.empty()) {
    if (Recurse)
      WalkFolders(Directory);
    else
      ScanFolder(Directory);
  }
  if (AfterExecute) AfterExecute(*this);
}

void ThhFindFile::ScanFolder(const std::string& dir) {
  const std::string folder = path::IncludeTrailingDelimiter(dir);
  if (OnNewPath) OnNewPath(*this, folder, Abort);
  if (Abort) return;

  const bool skipReadOnly = StrictRO && !Attributes.Contains(ffReadOnly);
  StringList found;
  StringList& target = Sorted ? found : Files;

  for (const std::string& pattern : SplitLines(Filter)) {
    // Once a handler asked to stop, no later pattern line may add entries either.
    if (Abort) break;
    // An empty line names no entry; listing the bare folder would find nothing anyway.
    if (pattern.empty()) continue;
    for (const os::DirEntry& entry : os::ListDirectory(folder + pattern, attrMask_)) {
      if (IsDotEntry(entry.name)) continue;
      if (skipReadOnly && (entry.attr & os::kAttrReadOnly)) continue;
      const std::string full = folder + entry.name;
      if (Finding) Finding(*this, full, Abort);
      target.push_back(full);
      if (entry.attr & os::kAttrDirectory)
        ++FolderCount;
      else
        ++FileCount;
      TotalSize += static_cast<int64_t>(entry.size);
      if (Abort) break;
    }
  }

  if (Sorted) {
    std::sort(found.begin(), found.end(), PathLess);
    // Overlapping patterns list the same entry twice; only exact repeats go, so
    // that names differing in case alone (distinct files on a case-sensitive
    // disk) are all kept.
    found.erase(std::unique(found.begin(), found.end()), found.end());
    Files.insert(Files.end(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
  }
}

void ThhFindFile::WalkFolders(const std::string& dir) {
  StringList pending{path::IncludeTrailingDelimiter(dir)};
  while (!pending.empty()) {
    const std::string d = std::move(pending.front());
    pending.erase(pending.begin());
    ListSubFolders(pending, d);
    ScanFolder(d);
    if (Sorted) std::stable_sort(pending.begin(), pending.end(), PathLess);
    if (Abort) break;
  }
}

void ThhFindFile::ListSubFolders(StringList& pending, const std::string& d) const {
  // Subfolders come back from the walk without a trailing delimiter; the
  // listing needs one between the folder and the pattern.
  const std::string folder = path::IncludeTrailingDelimiter(d);
  StringList subFolders;
  for (const os::DirEntry& entry : os::ListDirectory(folder + "*.*", os::kAttrAnyFile))
    // A linked folder is not walked into: a link back up the tree would make
    // the walk endless.
    if ((entry.attr & os::kAttrDirectory) && !(entry.attr & os::kAttrLink) && !IsDotEntry(entry.name))
      subFolders.push_back(folder + entry.name);
  if (Sorted)
    pending.insert(pending.begin(), std::make_move_iterator(subFolders.begin()),
                   std::make_move_iterator(subFolders.end()));
  else
    pending.insert(pending.end(), std::make_move_iterator(subFolders.begin()),
                   std::make_move_iterator(subFolders.end()));
}

}  // namespace quillet
