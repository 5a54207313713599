// An output file that is either completed or not left behind: a writer that
// fails half-way must not leave a partial picture where a finished one is
// expected.
#pragma once

#include <cstdio>
#include <string>

#include "platform/file.h"

namespace quillet::imaging {

class OutputFile {
 public:
  // Creates (or replaces) Path; raises Error "Cannot create file <Path>".
  explicit OutputFile(const std::string& path);
  // Closes and deletes the file unless Commit succeeded.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::FILE* Stream() const { return f_.get(); }
  const std::string& Path() const { return path_; }

  // Flushes and closes the file, keeping it; raises Error "Cannot write file
  // <Path>" (and deletes it) when the data did not all reach the disk.
  void Commit();

 private:
  std::string path_;
  os::UniqueFile f_;
};

}  // namespace quillet::imaging
