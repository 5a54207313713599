// How long the PDF stage waits for what printing produces: the PostScript
// file to appear, and the printer's queue to empty. Each wait looks again
// every PollMs; after the file has appeared it pauses SettleMs, so that a
// spooler still writing the file can finish.
#pragma once

#include <cstdint>

namespace quillet {

struct TPrintWaits {
  uint32_t FileTimeoutMs = 120000;
  uint32_t QueueTimeoutMs = 120000;
  uint32_t PollMs = 1000;
  uint32_t SettleMs = 1000;
};

}  // namespace quillet
