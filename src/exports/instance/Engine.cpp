#include "exports/instance/Engine.h"

namespace quillet {

TOfficeConvertClass* ConvertEngine = nullptr;

std::unique_lock<std::recursive_mutex> LockRequests() {
  static std::recursive_mutex requests;
  return std::unique_lock<std::recursive_mutex>(requests);
}

void CreateConvertEngine() {
  if (!ConvertEngine) ConvertEngine = new TOfficeConvertClass();
}

void DestroyConvertEngine(bool processEnding) {
  TOfficeConvertClass* engine = ConvertEngine;
  ConvertEngine = nullptr;
  if (!engine) return;
  // The process is ending: other threads are gone, COM may be uninitialised
  // and a call into another process could hang the exit. The converter and the
  // references it holds are left to the system; a created application loses
  // its client and COM reclaims it. On a plain unload (FreeLibrary, dlclose)
  // the destructor gives the applications back: quits what it created, shows
  // again what it borrowed.
  if (processEnding) return;
  try {
    delete engine;
  } catch (...) {
    // Unloading must not fail; whatever could not be closed is left to the system.
  }
}

}  // namespace quillet
