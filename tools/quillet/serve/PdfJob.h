// The PDF work of one request (PdfWork.h, MergePdfs), walled off in a child
// process of the server's own binary ("quillet pdf-job", not a command for
// people): a crafted PDF can make libqpdf take unbounded memory or time, or
// crash, and in the server that would take every request with it.
//
// One child per request's PDF work. The server writes the job to its
// standard input as JSON (the passwords with it: never in its arguments or
// environment) and reads the answer from its standard output as JSON. The
// child holds itself to an address-space ceiling, a processor-time ceiling,
// few descriptors, a ceiling on what it writes (each file and all together)
// and no core file, and dies with the server; the server
// kills it (SIGKILL, reaped) at the request's deadline or when the client
// goes away.
//
// Statuses: the child's refusal of a PDF is 400 with PdfWork's text; its
// other failures 500; a deadline or processor time passed 504; a child that
// passed its memory ceiling or ended under a file (a crash) 422, as a
// document the library cannot convert: sent again, it fails again.
//
// Thread-safety: RunPdfJob may be called on many threads at once.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Edge.h"
#include "FormFields.h"
#include "PdfResults.h"

namespace quillet::cli::serve {

// What a child does: each PDF checked first (Check: the clients' own), then
// their metadata read (ReadMetadata), or FinishPdfs done to them in Folder.
struct PdfJob {
  bool check = false;
  bool readMetadata = false;
  std::vector<MadePdf> pdfs;
  PdfAfter after;
  std::string folder;
  std::string mergedStem;
};

// The child's ceilings. Memory 0 takes kPdfJobMemory.
struct PdfJobLimits {
  uint64_t memoryBytes = 0;  // its address space
  int seconds = 120;         // wall clock, from its start; its processor time is one second more
  int files = 64;            // descriptors open at once (a merge holds every input open)
  uint64_t outputBytes = 0;  // what it may add to the disk in all; 0 takes kPdfJobOutput
};
inline constexpr uint64_t kPdfJobMemory = uint64_t(2) << 30;
inline constexpr uint64_t kPdfJobOutput = uint64_t(200) << 20;

// The answer: Status 0 with the PDF files made (or the metadata read, one
// object per PDF in order), else the status and text of the failure.
struct PdfJobAnswer {
  int status = 0;
  std::string error;
  std::vector<MadePdf> pdfs;
  std::vector<nlohmann::json> metadata;
};

// The job as the child reads it, and back.
nlohmann::json JobJson(const PdfJob& job);
PdfJob JobOf(const nlohmann::json& json);

// The child's command line for Limits: the program, the mode, the server's
// process and the ceilings (nothing of the job).
std::vector<std::string> PdfJobArguments(const std::string& program, pid_t server, const PdfJobLimits& limits);

// Runs Job in a child, killed at Limits' deadline or when Connection's client
// has gone (Connection may be null: a webhook's work).
PdfJobAnswer RunPdfJob(const PdfJob& job, const PdfJobLimits& limits, const Connection* connection);

}  // namespace quillet::cli::serve
