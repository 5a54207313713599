// The process-wide converter, created when the library is loaded and destroyed
// when it is unloaded. Every export and automation object uses this one object.
#pragma once

#include "engine/OfficeConvert.h"

namespace quillet {

extern TOfficeConvertClass* ConvertEngine;

void CreateConvertEngine();
// ProcessEnding: the whole process is going away (not a plain unload); the
// applications are then left alone, because calling into other processes from
// a loader callback at process end is not safe.
void DestroyConvertEngine(bool processEnding);

}  // namespace quillet
