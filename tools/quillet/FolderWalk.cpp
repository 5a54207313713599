#include "FolderWalk.h"

#include <fnmatch.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "FormatNames.h"

namespace quillet::cli {

namespace fs = std::filesystem;

namespace {

bool Below(const fs::path& p, const fs::path& folder) {
  if (folder.empty()) return false;
  const auto [f, e] = std::mismatch(folder.begin(), folder.end(), p.begin(), p.end());
  return f == folder.end();
}

}  // namespace

std::vector<FolderFile> FindFiles(const std::string& src, bool recurse, const std::string& skip) {
  std::error_code ec;
  fs::path folder = src, pattern;
  if (!fs::is_directory(folder, ec)) {
    folder = fs::path(src).parent_path();
    pattern = fs::path(src).filename();
    if (folder.empty()) folder = ".";
    // A name without wildcards is that file, or nothing that exists.
    const bool wildcards = pattern.string().find_first_of("*?[") != std::string::npos;
    if (!fs::is_directory(folder, ec) || (!wildcards && !fs::is_regular_file(src, ec)))
      throw std::invalid_argument("no such folder: " + (wildcards ? folder.string() : src));
  }
  const fs::path skipped = skip.empty() ? fs::path() : fs::weakly_canonical(skip, ec);

  std::vector<FolderFile> files;
  auto consider = [&](const fs::directory_entry& e) {
    if (!e.is_regular_file(ec)) return;
    const std::string name = e.path().filename().string();
    if (name.empty() || name[0] == '.') return;
    if (pattern.empty() ? !IsDocument(name) : ::fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) != 0) return;
    const fs::path absolute = fs::weakly_canonical(e.path(), ec);
    if (Below(absolute, skipped)) return;
    std::string relative = e.path().parent_path().lexically_relative(folder).generic_string();
    relative = relative == "." || relative.empty() ? "" : relative + "/";
    files.push_back({e.path().string(), relative});
  };
  if (recurse) {
    for (auto it = fs::recursive_directory_iterator(folder, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (it->is_directory(ec) && Below(fs::weakly_canonical(it->path(), ec), skipped)) {
        it.disable_recursion_pending();
        continue;
      }
      consider(*it);
    }
  } else {
    for (const auto& e : fs::directory_iterator(folder, ec)) consider(e);
  }
  std::sort(files.begin(), files.end(), [](const FolderFile& a, const FolderFile& b) { return a.source < b.source; });
  return files;
}

std::string DestinationOf(const FolderFile& file, const std::string& destFolder, const std::string& extension) {
  const fs::path name = fs::path(file.source).filename().replace_extension(extension);
  return (fs::path(destFolder) / file.relativeFolder / name).string();
}

}  // namespace quillet::cli
