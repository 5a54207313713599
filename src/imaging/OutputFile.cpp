#include "imaging/OutputFile.h"

#include "platform/error.h"

namespace quillet::imaging {

OutputFile::OutputFile(const std::string& path) : path_(path), f_(std::fopen(path.c_str(), "wb")) {
  if (!f_) throw Error("Cannot create file " + path);
}

OutputFile::~OutputFile() {
  if (f_) {
    std::fclose(f_);
    std::remove(path_.c_str());
  }
}

void OutputFile::Commit() {
  const bool written = !std::ferror(f_) && std::fflush(f_) == 0;
  std::FILE* f = f_;
  f_ = nullptr;
  if (std::fclose(f) != 0 || !written) {
    std::remove(path_.c_str());
    throw Error("Cannot write file " + path_);
  }
}

}  // namespace quillet::imaging
