#include "exports/Engine.h"

namespace quillet {

TOfficeConvertClass* ConvertEngine = nullptr;

void CreateConvertEngine() {
  if (!ConvertEngine) ConvertEngine = new TOfficeConvertClass();
}

void DestroyConvertEngine(bool processEnding) {
  TOfficeConvertClass* engine = ConvertEngine;
  ConvertEngine = nullptr;
  if (!engine) return;
  if (processEnding) return;  // see the header: nothing may be released safely now
  try {
    delete engine;
  } catch (...) {
    // Unloading must not fail; whatever could not be closed is left to the system.
  }
}

}  // namespace quillet
