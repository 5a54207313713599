// One owner of a POSIX file descriptor (Linux only: the stand-ins, the
// command line and the service), closed when it goes. A writer that must
// know whether its data reached the disk closes it itself (Close).
#pragma once

#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "platform/unique_any.h"

namespace quillet::os {

using UniqueFd = UniqueAny<int, &::close, -1>;

// close of an owned descriptor: true when it succeeded (or nothing was held).
inline bool Close(UniqueFd& fd) { return !fd || ::close(fd.release()) == 0; }

// Writes all of Data to Fd (a pipe's end takes it in pieces); false when a
// write fails.
inline bool WriteAll(int fd, std::string_view data) {
  size_t at = 0;
  while (at < data.size()) {
    const ssize_t n = ::write(fd, data.data() + at, data.size() - at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    at += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace quillet::os
