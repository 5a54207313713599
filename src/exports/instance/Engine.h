// The process-wide converter, created when the library is loaded and destroyed
// when it is unloaded. Every export and automation object uses this one object.
#pragma once

#include <mutex>

#include "engine/OfficeConvert.h"

namespace quillet {

extern TOfficeConvertClass* ConvertEngine;

// Held by every request for its whole length: the converter and the
// applications it holds serve one request at a time. A second thread waits;
// the same thread may enter again (a window procedure run while it waits).
std::unique_lock<std::recursive_mutex> LockRequests();

void CreateConvertEngine();
// ProcessEnding: the whole process is going away (not a plain unload); the
// applications are then left alone, because calling into other processes from
// a loader callback at process end is not safe.
void DestroyConvertEngine(bool processEnding);

}  // namespace quillet
