#include "imaging/OutputFile.h"

#include "platform/error.h"

namespace quillet::imaging {

OutputFile::OutputFile(const std::string& path) : path_(path), f_(os::OpenRegularFile(path, "wb")) {
  if (!f_) throw Error("Cannot create file " + path, ErrorCode::FileSystem);
}

OutputFile::~OutputFile() {
  if (f_) {
    f_.reset();
    std::remove(path_.c_str());
  }
}

void OutputFile::Commit() {
  const bool written = !std::ferror(f_.get()) && std::fflush(f_.get()) == 0;
  if (!os::Close(f_) || !written) {
    std::remove(path_.c_str());
    throw Error("Cannot write file " + path_, ErrorCode::FileSystem);
  }
}

}  // namespace quillet::imaging
