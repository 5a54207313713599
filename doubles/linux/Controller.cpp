// Linux: the doubles live in the test program's own process and share its
// environment; the system keeps no control folder besides it.
#include "core/Session.h"

namespace quillet::doubles {

std::string SystemControlDir() { return {}; }

}  // namespace quillet::doubles
