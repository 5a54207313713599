// quillet office start|stop|status: the shared office that one-shot
// conversions attach to, and the lingering office that --keep-office leaves.
#include <cstdio>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Commands.h"
#include "LingeringOffice.h"
#include "SharedOffice.h"

namespace quillet::cli {

namespace {

std::string Pids(const std::vector<int>& pids) {
  std::string text;
  for (int pid : pids) text += (text.empty() ? "" : ", ") + std::to_string(pid);
  return text;
}

// The lingering office's lines of "status" and "stop"; whether there is one.
bool ShowLingering(bool stop) {
  std::optional<LingeringState> state;
  try {
    state = stop ? StopLingeringOffice() : QueryLingeringOffice();
  } catch (const std::runtime_error& e) {
    // The shared office's lines follow all the same.
    std::fprintf(stderr, "quillet: %s\n", e.what());
  }
  if (!state) return false;
  if (stop) {
    std::printf("stopped the lingering LibreOffice of the pipe %s (process %d, kept by process %d)\n",
                state->pipe.c_str(), state->office, state->supervisor);
    return true;
  }
  std::printf(
      "a lingering LibreOffice listens on the pipe %s (process %d, kept by process %d): %s, %llu documents "
      "converted, %llu MB resident\n",
      state->pipe.c_str(), state->office, state->supervisor,
      state->busy ? "in use" : ("ends after " + std::to_string(state->secondsLeft) + " more idle seconds").c_str(),
      static_cast<unsigned long long>(state->documents), static_cast<unsigned long long>(state->residentBytes >> 20));
  return true;
}

}  // namespace

int RunOffice(const std::string& action, size_t instances) {
  const std::string pipe = WellKnownPipe();
  try {
    if (action == "start") {
      // Started together: each takes as long as LibreOffice needs.
      std::vector<int> pids(instances, 0);
      std::vector<std::string> errors(instances);
      std::vector<std::thread> starts;
      for (size_t i = 0; i < instances; ++i)
        starts.emplace_back([&, i] {
          try {
            pids[i] = StartOffice(InstancePipe(pipe, i));
          } catch (const std::exception& e) {
            errors[i] = e.what();
          }
        });
      for (std::thread& t : starts) t.join();
      for (const std::string& e : errors)
        if (!e.empty()) throw std::runtime_error(e);
      for (size_t i = 0; i < instances; ++i)
        std::printf("LibreOffice is listening on the pipe %s (process %d)\n", InstancePipe(pipe, i).c_str(), pids[i]);
      return kOk;
    }
    if (action == "stop") {
      ShowLingering(true);
      const std::vector<int> stopped = StopOffice(pipe);
      if (stopped.empty())
        std::printf("no LibreOffice listens on the pipe %s\n", pipe.c_str());
      else
        std::printf("stopped the LibreOffice of the pipe %s (process %s)\n", pipe.c_str(), Pids(stopped).c_str());
      // The further instances, as far as there are any.
      for (size_t i = 1;; ++i) {
        const std::string more = InstancePipe(pipe, i);
        const std::vector<int> ended = StopOffice(more);
        if (ended.empty()) break;
        std::printf("stopped the LibreOffice of the pipe %s (process %s)\n", more.c_str(), Pids(ended).c_str());
      }
      return kOk;
    }
    const bool lingering = ShowLingering(false);
    const OfficeState state = QueryOffice(pipe);
    if (state.accepting) {
      std::printf("LibreOffice is listening on the pipe %s (process %s)\n", pipe.c_str(),
                  state.pids.empty() ? "unknown" : Pids(state.pids).c_str());
      for (size_t i = 1;; ++i) {
        const OfficeState more = QueryOffice(InstancePipe(pipe, i));
        if (!more.accepting) break;
        std::printf("LibreOffice is listening on the pipe %s (process %s)\n", InstancePipe(pipe, i).c_str(),
                    more.pids.empty() ? "unknown" : Pids(more.pids).c_str());
      }
      return kOk;
    }
    std::printf("no LibreOffice listens on the pipe %s\n", pipe.c_str());
    return lingering ? kOk : kFailed;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quillet: %s\n", e.what());
    return kFailed;
  }
}

}  // namespace quillet::cli
