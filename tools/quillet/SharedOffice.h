// The shared office of "quillet office": a LibreOffice listening on the
// user's well-known pipe ($QUILLET_OFFICE_PIPE, else "quillet-office"), which
// every conversion of the user's programs attaches to instead of starting an
// office of its own. It runs apart from any program, with a profile of its
// own under $XDG_CACHE_HOME/quillet/office/shared-<pipe> (or ~/.cache/...),
// until it is stopped.
#pragma once

#include <string>
#include <vector>

namespace quillet::cli {

std::string WellKnownPipe();

// The pipe of the shared office number I (from 0) of "office start
// --instances N": the well-known pipe itself, then "<pipe>-2", "<pipe>-3" ...
std::string InstancePipe(const std::string& pipe, size_t i);
// The pipes of the shared offices that accept connections now, in order,
// from the first up to the first that does not (at most Limit).
std::vector<std::string> WarmInstances(const std::string& pipe, size_t limit);

struct OfficeState {
  bool accepting = false;  // something accepts connections on the pipe
  std::vector<int> pids;   // the soffice processes that listen on it
};
OfficeState QueryOffice(const std::string& pipe);

// Starts the shared office and waits until it accepts; returns its process
// id. Raises std::runtime_error (LibreOffice missing, did not start).
int StartOffice(const std::string& pipe);

// Ends the offices that listen on the pipe (asked first, killed when they do
// not end in time) and removes what they leave; returns their process ids.
std::vector<int> StopOffice(const std::string& pipe);

}  // namespace quillet::cli
