#include <cstdio>
#include <cstdlib>

#include "FuzzTargets.h"

namespace quillet::fuzz {

void Fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
  std::abort();
}

}  // namespace quillet::fuzz
