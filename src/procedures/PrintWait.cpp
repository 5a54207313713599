#include "procedures/PrintWait.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/printer.h"
#include "utilities/SysUtils.h"

namespace quillet {

namespace {

std::string Duration(uint32_t ms) {
  if (ms % 1000 == 0) return std::to_string(ms / 1000) + (ms == 1000 ? " second" : " seconds");
  return std::to_string(ms) + " ms";
}

// One more look once the bound is reached: a wait never ends early.
void Pause(const TPrintWaits& waits, uint32_t start, uint32_t bound) {
  os::ProcessMessages();
  const uint32_t spent = os::TicksSince(start);
  os::SleepMs(spent >= bound ? 0 : std::min(waits.PollMs, bound - spent));
}

}  // namespace

Status WaitForPostScriptFile(const std::string& psFile, const std::string& printer, const TPrintWaits& waits) {
  const uint32_t start = os::TickCount();
  while (!os::FileExists(psFile)) {
    if (os::TicksSince(start) >= waits.FileTimeoutMs) {
      return Status::Failed("The PostScript file \"" + psFile + "\" did not appear within " +
                            Duration(waits.FileTimeoutMs) + " of printing to \"" + printer + "\"");
    }
    Pause(waits, start, waits.FileTimeoutMs);
  }
  return Status::Ok();
}

Status WaitForPrinterQueue(const std::string& printer, const TPrintWaits& waits) {
  const os::Printer queue(printer);
  if (!queue.IsOpen()) return Status::Ok();
  const uint32_t start = os::TickCount();
  for (;;) {
    const int jobs = GetPrinterJobCount(queue);
    if (jobs <= 0) return Status::Ok();
    if (os::TicksSince(start) >= waits.QueueTimeoutMs) {
      return Status::Failed("The print queue of \"" + printer + "\" still holds " + std::to_string(jobs) +
                            (jobs == 1 ? " job" : " jobs") + " after " + Duration(waits.QueueTimeoutMs));
    }
    Pause(waits, start, waits.QueueTimeoutMs);
  }
}

}  // namespace quillet
