// C stdio files for the library's own readers and writers: one owner that
// closes them, and 64-bit positions on every system.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/unique_any.h"

namespace quillet::os {

// Closes the file when it goes. A writer that must know whether its data
// reached the disk calls Close itself and checks the result.
using UniqueFile = UniqueAny<std::FILE*, &std::fclose>;

// Opens Path with the stdio Mode ("rb", "wb" or "ab") when it is, or for
// writing becomes, a regular file. A FIFO, a device, a folder or anything
// else is refused at once, never waited on: null, with the system's error
// code kept for LastErrorCode.
std::FILE* OpenRegularFile(const std::string& path, const char* mode);

// fclose of an owned file: true when everything buffered was written.
inline bool Close(UniqueFile& f) { return std::fclose(f.release()) == 0; }

// Positions beyond 2 GiB, whatever the width of long.
bool Seek64(std::FILE* f, uint64_t offset, int whence);
int64_t Tell64(std::FILE* f);

}  // namespace quillet::os
