// quillet office start|stop|status: the shared office that one-shot
// conversions attach to.
#include <cstdio>
#include <stdexcept>

#include "Commands.h"
#include "SharedOffice.h"

namespace quillet::cli {

namespace {

std::string Pids(const std::vector<int>& pids) {
  std::string text;
  for (int pid : pids) text += (text.empty() ? "" : ", ") + std::to_string(pid);
  return text;
}

}  // namespace

int RunOffice(const std::string& action) {
  const std::string pipe = WellKnownPipe();
  try {
    if (action == "start") {
      const int pid = StartOffice(pipe);
      std::printf("LibreOffice is listening on the pipe %s (process %d)\n", pipe.c_str(), pid);
      return kOk;
    }
    if (action == "stop") {
      const std::vector<int> stopped = StopOffice(pipe);
      if (stopped.empty())
        std::printf("no LibreOffice listens on the pipe %s\n", pipe.c_str());
      else
        std::printf("stopped the LibreOffice of the pipe %s (process %s)\n", pipe.c_str(), Pids(stopped).c_str());
      return kOk;
    }
    const OfficeState state = QueryOffice(pipe);
    if (state.accepting) {
      std::printf("LibreOffice is listening on the pipe %s (process %s)\n", pipe.c_str(),
                  state.pids.empty() ? "unknown" : Pids(state.pids).c_str());
      return kOk;
    }
    std::printf("no LibreOffice listens on the pipe %s\n", pipe.c_str());
    return kFailed;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quillet: %s\n", e.what());
    return kFailed;
  }
}

}  // namespace quillet::cli
