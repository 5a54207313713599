// Load and unload of libquillet.so: the converter lives exactly as long as the
// library is mapped into the process.
#include "exports/instance/Engine.h"

namespace {

__attribute__((constructor)) void QuilletLoad() {
  try {
    quillet::CreateConvertEngine();
  } catch (...) {
    // Without a converter every export answers with an error text.
  }
}

__attribute__((destructor)) void QuilletUnload() { quillet::DestroyConvertEngine(false); }

}  // namespace
