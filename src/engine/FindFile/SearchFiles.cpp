#include "engine/FindFile/SearchFiles.h"

#include <exception>

#include "engine/FindFile/FindFile.h"
#include "platform/fs.h"
#include "platform/msgbox.h"
#include "platform/path.h"

namespace quillet {

std::string SearchFiles(const std::string& folder, bool recurse, const std::string& mask) {
  if (mask.empty() || folder.empty()) return {};
  if (mask.find_first_of("?*") == std::string::npos) return folder + mask;
  return JoinLinesCrLf(SearchFileList(folder, recurse, mask));
}

std::vector<std::string> SearchFileList(const std::string& folder, bool recurse, const std::string& mask) {
  if (mask.empty() || folder.empty()) return {};
  if (mask.find_first_of("?*") == std::string::npos) return {folder + mask};

  ThhFindFile finder;
  finder.Filter = mask;
  finder.Directory = folder;
  finder.Recurse = recurse;
  finder.Execute();
  return std::move(finder.Files);
}

std::string MakeDestPath(const std::string& file, bool samePath, const std::string& destRoot,
                         const std::string& destExt) {
  if (samePath) return path::ChangeFileExt(file, destExt);

  const std::string name = path::ChangeFileExt(path::ExtractFileName(file), destExt);
  const std::string base = path::IsAbsolute(destRoot) ? destRoot : path::JoinToCurrent(os::GetCurrentDir(), destRoot);
  const std::string result = path::IncludeTrailingDelimiter(base) + name;

  const std::string folder = path::ExtractFileDir(result);
  if (!os::DirectoryExists(folder)) {
    try {
      os::ForceDirectories(folder);
    } catch (const std::exception& e) {
      // The caller's own destination check reports the failure for this file;
      // the box tells the person at the screen why.
      os::ShowMessageBox(e.what(), "Error");
    }
  }
  return result;
}

}  // namespace quillet
