// The libFuzzer entry of one target, chosen when the program is built
// (QUILLET_FUZZ_TARGET names one of the entries in FuzzTargets.h).
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return quillet::fuzz::QUILLET_FUZZ_TARGET(data, size);
}
