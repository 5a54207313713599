// The HTTP status of a conversion that failed, decided in one table: by the
// library's code of the failure where the library reported it, by the kind
// of failure where the worker or the pool found it (a ceiling passed, a path
// refused, a worker that died or did not answer).
#pragma once

#include "Library.h"

namespace quillet::cli::serve {

// Outcome failed. A code the table does not know (from a newer library)
// counts as its kind does.
int StatusOf(const Outcome& outcome);

}  // namespace quillet::cli::serve
