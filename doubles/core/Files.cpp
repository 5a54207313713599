#include "Files.h"

#include <cstdio>

#include "platform/error.h"
#include "platform/file.h"

namespace quillet::doubles {

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void WriteWholeFile(const std::string& file, const std::string& bytes) {
  os::UniqueFile f(std::fopen(file.c_str(), "wb"));
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size() || !os::Close(f))
    throw Error("The file could not be saved: " + file);
}

}  // namespace quillet::doubles
