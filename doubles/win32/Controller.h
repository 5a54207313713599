// The tie of a Windows double's process to the test program that controls
// the doubles.
#pragma once

namespace quillet::doubles {

// Hands the test program that controls the doubles a handle of this process,
// which it keeps until it ends: while the handle is open, Wine gives this
// process's id to no later process. Wine names a server apartment's endpoint
// after its process and thread ids, and a test program that talked to a
// server keeps its connection to that endpoint; a later server under the
// same ids would get that dead connection and fail its first call.
// Does nothing when no test program controls the doubles.
void PinProcessIdInController();

}  // namespace quillet::doubles
