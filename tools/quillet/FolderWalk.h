// The files of a folder run: SRC is a folder (every document in it) or a
// pattern of names in a folder ("in/*.docx", matched without regard to
// letter case, as the library does; a name without wildcards is that one
// file); with Recurse the subfolders count too,
// and each result lands in the same subfolder under DEST.
#pragma once

#include <string>
#include <vector>

namespace quillet::cli {

struct FolderFile {
  std::string source;
  std::string relativeFolder;  // "" or "sub/dir/" below the searched folder
};

// Sorted by path. Raises std::invalid_argument when the folder does not
// exist. Files under Skip (the destination, when it lies inside) are left out.
std::vector<FolderFile> FindFiles(const std::string& src, bool recurse, const std::string& skip);

// DestFolder/RelativeFolder/<source name without its extension><Extension>.
std::string DestinationOf(const FolderFile& file, const std::string& destFolder, const std::string& extension);

}  // namespace quillet::cli
