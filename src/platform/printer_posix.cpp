#include <dlfcn.h>
#include <errno.h>

#include "platform/fs.h"
#include "platform/printer.h"

namespace quillet::os {

namespace {

// The CUPS client library is loaded when first needed, so that the library
// neither depends on it at link time nor fails where it is not installed. Only
// the job count is asked for; the job records are never looked into, so their
// layout does not matter here.
struct CupsJob;
constexpr int kActiveJobs = 0;  // pending, held and processing jobs

class CupsClient {
 public:
  CupsClient() {
    // Kept loaded for the life of the process (the library keeps per-thread
    // data whose destructors must stay callable), yet owned and released here.
    lib_ = ::dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!lib_) return;
    getJobs_ = reinterpret_cast<GetJobs>(::dlsym(lib_, "cupsGetJobs"));
    freeJobs_ = reinterpret_cast<FreeJobs>(::dlsym(lib_, "cupsFreeJobs"));
    lastError_ = reinterpret_cast<LastErrorString>(::dlsym(lib_, "cupsLastErrorString"));
  }
  ~CupsClient() {
    if (lib_) ::dlclose(lib_);
  }
  CupsClient(const CupsClient&) = delete;
  CupsClient& operator=(const CupsClient&) = delete;

  bool Usable() const { return getJobs_ && freeJobs_ && lastError_; }

  bool JobCount(const std::string& queue, int& jobs, std::string& message) const {
    CupsJob* list = nullptr;
    const int n = getJobs_(&list, queue.c_str(), 0, kActiveJobs);
    if (list) freeJobs_(n > 0 ? n : 0, list);
    if (n < 0) {
      const char* text = lastError_();
      message = text && *text ? text : "The print server did not answer";
      return false;
    }
    jobs = n;
    return true;
  }

 private:
  using GetJobs = int (*)(CupsJob**, const char*, int, int);
  using FreeJobs = void (*)(int, CupsJob*);
  using LastErrorString = const char* (*)();

  void* lib_ = nullptr;
  GetJobs getJobs_ = nullptr;
  FreeJobs freeJobs_ = nullptr;
  LastErrorString lastError_ = nullptr;
};

const CupsClient& Cups() {
  static const CupsClient client;
  return client;
}

}  // namespace

// A queue is only a name here; whether it exists is the print server's answer
// to the first question.
Printer::Printer(const std::string& name) : name_(name) {
  if (name.empty())
    openError_ = EINVAL;
  else
    open_ = true;
}

void Printer::Close() {
  open_ = false;
  handle_ = nullptr;
}

bool QueryPrinterJobCount(const Printer& printer, int& jobs, std::string& message) {
  if (!printer.IsOpen()) {
    message = SysErrorMessage(EBADF);
    return false;
  }
  if (!Cups().Usable()) {
    message = "The CUPS client library is not available";
    return false;
  }
  return Cups().JobCount(printer.Name(), jobs, message);
}

}  // namespace quillet::os
