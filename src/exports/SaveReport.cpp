#include "exports/SaveReport.h"

#include "platform/error.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "utilities/TextLines.h"

namespace quillet {

bool SaveReport(const std::string& fileName, const std::string& text) {
  if (fileName.empty()) throw Error("No report file name");
  // A bare file name is written into the current folder, where any program
  // would put it; only a named folder has to be created.
  const std::string folder = path::ExtractFileDir(fileName);
  if (!folder.empty()) os::ForceDirectories(folder);
  try {
    SaveLinesToFile(fileName, SplitLines(text));
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace quillet
