// One owner of a POSIX file descriptor (Linux only: the stand-ins, the
// command line and the service), closed when it goes. A writer that must
// know whether its data reached the disk closes it itself (Close).
#pragma once

#include <unistd.h>

#include "platform/unique_any.h"

namespace quillet::os {

using UniqueFd = UniqueAny<int, &::close, -1>;

// close of an owned descriptor: true when it succeeded (or nothing was held).
inline bool Close(UniqueFd& fd) { return !fd || ::close(fd.release()) == 0; }

}  // namespace quillet::os
