// What a worker of the server holds each conversion to: its paths inside the
// request's folder, the office's memory and the results' size under their
// ceilings. The worker checks the paths before the office is called, and
// watches the office and the results while it converts, ending the office
// when either passes its ceiling.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "Library.h"

namespace quillet::cli {

struct Confinement {
  std::string root;          // the request's folder; empty: no check
  uint64_t memoryBytes = 0;  // the office's resident memory; 0: no ceiling
  uint64_t resultBytes = 0;  // all the results together; 0: no ceiling
};

// Empty when Source (an existing file) and Destination (a file to write, its
// folder existing) lie inside Root, judged on the real paths with every link
// resolved; else why not.
std::string OutsideRoot(const std::string& root, const std::string& source, const std::string& destination);

// The bytes of the files under Folder.
uint64_t FolderBytes(const std::string& folder);

// Watches, while it lives, the memory of the processes under this one (the
// office and its sandbox) and the bytes under the results' folder, every
// tenth of a second; the first ceiling passed ends those processes and is
// kept as the verdict.
class CeilingWatch {
 public:
  CeilingWatch(const Confinement& limits, std::string results);
  ~CeilingWatch();
  CeilingWatch(const CeilingWatch&) = delete;
  CeilingWatch& operator=(const CeilingWatch&) = delete;

  // Stops watching (looking once more at the results); the ceiling that was
  // passed: Memory, ResultSize, or None.
  Failure Stop();

 private:
  void Run();
  bool Passed();

  const Confinement limits_;
  const std::string results_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  Failure verdict_ = Failure::None;
  std::thread thread_;
};

// The text of a ceiling passed, for the client.
std::string CeilingText(Failure failure, const Confinement& limits);

}  // namespace quillet::cli
