// The two routines the folder driver needs per run: the list of files to
// convert, and where each converted copy goes.
#pragma once

#include <string>
#include <vector>

namespace quillet {

// The files of Folder (and with Recurse of every folder below it) that match
// Mask, as full paths in the search component's sorted order, each followed by
// CR LF. A Mask without "*" or "?" names one file: the result is Folder + Mask
// (Folder is expected to end with a delimiter) whether or not it exists, and
// the disk is not looked at. An empty Folder or Mask gives an empty text.
std::string SearchFiles(const std::string& folder, bool recurse, const std::string& mask);

// The same files as a list, one path per entry: a name that holds a line
// break stays one entry.
std::vector<std::string> SearchFileList(const std::string& folder, bool recurse, const std::string& mask);

// The destination path of File. With SamePath, File itself with its extension
// replaced by DestExt. Otherwise the file name of File (extension replaced) in
// DestRoot, a relative DestRoot counting from the current folder; that folder
// is created with its missing parents when needed, and when it cannot be the
// system's message is shown in a modal box (caption "Error") and the path is
// returned all the same.
std::string MakeDestPath(const std::string& file, bool samePath, const std::string& destRoot,
                         const std::string& destExt);

}  // namespace quillet
