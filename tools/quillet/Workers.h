// Worker processes for a folder run with --jobs N. The engine serves one
// request at a time per process, and each process has an office of its own,
// so N files convert at once in N workers: this program started again in
// its worker mode ("quillet worker"), each told to start its own LibreOffice
// rather than share one, and each given a temporary folder of its own
// (TMPDIR), removed once it has ended. A worker takes requests on its
// standard input and answers each on its standard output, in fields ended by
// NUL bytes (any bytes may be in a path): source, destination, format,
// option; then ok ("1" or "0"), error, milliseconds.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Library.h"
#include "Request.h"

namespace quillet::cli {

// The worker mode: serves requests until its input ends. Returns the exit status.
int ServeAsWorker();

// Runs Requests in Jobs workers, handing each worker its next request as it
// answers. Started and Finished are called on this thread with the index of
// the request. A worker that dies fails its request and is replaced.
void RunInWorkers(const std::vector<Request>& requests, size_t jobs,
                  const std::function<void(size_t)>& started, const std::function<void(size_t, const Outcome&)>& finished);

// The fields of one message, each ended by NUL.
std::string Pack(const std::vector<std::string>& fields);
// Takes the first message of N fields off the front of Buffer; false while incomplete.
bool Unpack(std::string& buffer, size_t n, std::vector<std::string>& fields);

}  // namespace quillet::cli
