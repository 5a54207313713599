// C stdio files for the library's own readers and writers: one owner that
// closes them, and 64-bit positions on every system.
#pragma once

#include <cstdint>
#include <cstdio>

#include "platform/unique_any.h"

namespace quillet::os {

// Closes the file when it goes. A writer that must know whether its data
// reached the disk calls Close itself and checks the result.
using UniqueFile = UniqueAny<std::FILE*, &std::fclose>;

// fclose of an owned file: true when everything buffered was written.
inline bool Close(UniqueFile& f) { return std::fclose(f.release()) == 0; }

// Positions beyond 2 GiB, whatever the width of long.
bool Seek64(std::FILE* f, uint64_t offset, int whence);
int64_t Tell64(std::FILE* f);

}  // namespace quillet::os
