// Time and the calling thread's message queue.
#pragma once

#include <cstdint>

namespace quillet::os {

// Milliseconds since an arbitrary start, wrapping at 2^32 like the system's tick count.
uint32_t TickCount();

// Milliseconds from Start to now, correct across one wrap of the tick counter.
inline uint32_t TicksSince(uint32_t start) { return TickCount() - start; }

void SleepMs(uint32_t ms);

// The local wall-clock time of day.
struct TimeOfDay {
  int Hour = 0;    // 0 to 23
  int Minute = 0;  // 0 to 59
  int Second = 0;  // 0 to 59
};
TimeOfDay LocalTimeOfDay();

// Dispatches every message waiting in the calling thread's queue, then returns.
// A quit request met on the way ends the pass and is left in the queue, so the
// host's own message loop still sees it.
// Linux has no thread message queue: nothing to do.
void ProcessMessages();

}  // namespace quillet::os
