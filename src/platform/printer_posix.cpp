#include <cups/cups.h>
#include <dlfcn.h>
#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "platform/fs.h"
#include "platform/printer.h"

namespace quillet::os {

namespace {

// The CUPS client library is loaded when first needed, so that the library
// neither depends on it at link time nor fails where it is not installed (the
// header gives the types only). The job records are never looked into; the
// destinations only for their names.
constexpr int kActiveJobs = 0;  // pending, held and processing jobs

class CupsClient {
 public:
  CupsClient() {
    // Kept loaded for the life of the process (the library keeps per-thread
    // data whose destructors must stay callable), yet owned and released here.
    lib_ = ::dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!lib_) return;
    Bind(getJobs_, "cupsGetJobs");
    Bind(freeJobs_, "cupsFreeJobs");
    Bind(lastError_, "cupsLastErrorString");
    Bind(getDests_, "cupsGetDests");
    Bind(freeDests_, "cupsFreeDests");
    Bind(getPpd_, "cupsGetPPD");
  }
  ~CupsClient() {
    if (lib_) ::dlclose(lib_);
  }
  CupsClient(const CupsClient&) = delete;
  CupsClient& operator=(const CupsClient&) = delete;

  bool Usable() const { return getJobs_ && freeJobs_ && lastError_ && getDests_ && freeDests_ && getPpd_; }

  bool JobCount(const std::string& queue, int& jobs, std::string& message) const {
    cups_job_t* list = nullptr;
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

  // The server's queues, in its order (by name); none when no server answers.
  std::vector<std::string> Queues() const {
    cups_dest_t* dests = nullptr;
    const int n = getDests_(&dests);
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i)
      if (dests[i].name && !dests[i].instance) names.emplace_back(dests[i].name);
    if (dests) freeDests_(n, dests);
    return names;
  }

  // The queue's PPD in a temporary file (removed by the caller); empty when
  // the queue has none or cannot be asked.
  std::string FetchPpd(const std::string& queue) const {
    const char* file = getPpd_(queue.c_str());
    return file ? file : "";
  }

 private:
  template <class F>
  void Bind(F& f, const char* name) {
    f = reinterpret_cast<F>(::dlsym(lib_, name));
  }

  void* lib_ = nullptr;
  int (*getJobs_)(cups_job_t**, const char*, int, int) = nullptr;
  void (*freeJobs_)(int, cups_job_t*) = nullptr;
  const char* (*lastError_)() = nullptr;
  int (*getDests_)(cups_dest_t**) = nullptr;
  void (*freeDests_)(int, cups_dest_t*) = nullptr;
  const char* (*getPpd_)(const char*) = nullptr;
};

const CupsClient& Cups() {
  static const CupsClient client;
  return client;
}

// A PPD describes a PostScript device when it names the interpreter's
// version and sends jobs to the printer as they are, through no filter.
bool PpdIsPostScript(const std::string& file) {
  std::ifstream in(file);
  bool psVersion = false, filter = false;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("*PSVersion", 0) == 0) psVersion = true;
    if (line.rfind("*cupsFilter", 0) == 0) filter = true;
  }
  return psVersion && !filter;
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
  if (printer.Name() == kOfficePostScriptQueue) {
    jobs = 0;
    return true;
  }
  if (!Cups().Usable()) {
    message = "The CUPS client library is not available";
    return false;
  }
  return Cups().JobCount(printer.Name(), jobs, message);
}

std::vector<std::string> InstalledPrinters() {
  std::vector<std::string> names{kOfficePostScriptQueue};
  if (Cups().Usable())
    for (std::string& queue : Cups().Queues())
      if (queue != kOfficePostScriptQueue) names.push_back(std::move(queue));
  return names;
}

PrinterContext::PrinterContext(const std::string& printerName) {
  if (printerName == kOfficePostScriptQueue) {
    technology_ = "PostScript";
    open_ = true;
    return;
  }
  if (printerName.empty() || !Cups().Usable()) return;
  const std::string ppd = Cups().FetchPpd(printerName);
  if (ppd.empty()) return;
  if (PpdIsPostScript(ppd)) technology_ = "PostScript";
  ::unlink(ppd.c_str());
  open_ = true;
}

PrinterContext::~PrinterContext() = default;

int PrinterContext::Escape(int escape, const void* input, int inputSize, void* output, int outputSize) const {
  if (!open_) return -1;
  switch (escape) {
    case kQueryEscSupport: {
      if (!input || inputSize < 4) return -1;
      int asked = 0;
      std::memcpy(&asked, input, sizeof asked);
      return asked == kGetTechnology && !technology_.empty() ? 1 : 0;
    }
    case kGetTechnology: {
      if (technology_.empty()) return 0;
      if (!output || outputSize <= 0) return -1;
      const size_t n = std::min(technology_.size(), static_cast<size_t>(outputSize) - 1);
      std::memcpy(output, technology_.data(), n);
      static_cast<char*>(output)[n] = '\0';
      return 1;
    }
    default:
      return 0;
  }
}

}  // namespace quillet::os
