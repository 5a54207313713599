// A destination file that the office writes through a stream of ours.
//
// Some of LibreOffice's export filters do not report a failed write: the text
// export into a full file system ends "successfully" with an empty file, and
// the Word 97 export waits there for ever. Handing the office an output
// stream whose writes we make ourselves lets us see every failed write: the
// stream remembers the first error, refuses every later write with it, and
// the store is then reported as failed and its file removed.
//
// Thread-safety: one store at a time uses a stream; the office may call it
// from any thread of the bridge, so its state is guarded.
#pragma once

#include <string>

#include <com/sun/star/io/XOutputStream.hpp>

#include "uno/Uno.h"

namespace quillet::office::uno {

// The text of a failed save: "The file could not be saved: <Path> (<Why>)",
// without the parenthesis when there is no reason.
std::string SaveFailure(const std::string& path, const std::string& why);

// How the bytes the office writes reach the file: as they are, or with every
// two bytes swapped (the office writes UTF-16 in this machine's order only,
// little endian; swapped, it is big endian).
enum class ByteOrder { AsWritten, SwapPairs };

class FileOutput {
 public:
  // Creates (or empties) Path; raises Failure("The file could not be saved:
  // <Path> (<reason>)") when it cannot.
  explicit FileOutput(std::string path, ByteOrder order = ByteOrder::AsWritten);
  FileOutput(const FileOutput&) = delete;
  FileOutput& operator=(const FileOutput&) = delete;
  // Removes the file unless it is to be kept.
  ~FileOutput();

  // What to pass to the office as the media descriptor's "OutputStream".
  Reference<css::io::XOutputStream> stream() const { return stream_; }
  // Closes the file; the first failed write's (or the close's) reason, ""
  // when everything was written.
  std::string Close();
  // The file stays when this object goes.
  void Keep() { keep_ = true; }

 private:
  class Stream;
  std::string path_;
  Stream* impl_ = nullptr;  // owned through stream_
  Reference<css::io::XOutputStream> stream_;
  bool keep_ = false;
};

}  // namespace quillet::office::uno
