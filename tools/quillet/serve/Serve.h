// quillet serve: conversions over HTTP, by a pool of worker processes.
#pragma once

#include <cstddef>
#include <string>

namespace quillet::cli {

struct ServeArgs {
  std::string listen = "127.0.0.1:8080";  // ADDR:PORT ([v6]:PORT); port 0 takes a free one
  size_t workers = 0;                     // 0: the number of cores
  size_t maxQueue = 0;                    // 0: four per worker
  int timeout = 120;                      // seconds per document, counted from when a worker takes it
  std::string maxUpload = "100M";         // the whole request body
  std::string authTokenFile;
  int drainTimeout = 30;
  // Ceilings of one request.
  std::string maxOfficeMemory = "2G";  // an office's resident memory while it converts
  std::string maxResult = "200M";      // the results of one document
  size_t maxFiles = 32;                // files in one request
  int readTimeout = 60;                // seconds to send a whole request, its body included
  size_t maxConnections = 128;         // open at once
  int probeEvery = 10;                 // seconds of idleness after which an office is probed
  // The option field takes any keyword of the library, not only those a
  // client needs.
  bool allowAnyOption = false;
  // Operating-system isolation of the offices: "auto" (where the system
  // allows it), "on" (refuse to start without it), "off".
  std::string sandbox = "auto";
  // The server's own outbound connections: webhooks and downloadFrom, each
  // to the URLs its allow-list (a regular expression) matches, none without.
  std::string webhookAllowList;
  int webhookMaxRetry = 4;
  int webhookRetryMinWait = 1;  // seconds, doubled at each retry
  int webhookRetryMaxWait = 30;
  int webhookClientTimeout = 30;  // seconds for one delivery
  size_t maxWebhookJobs = 16;     // pending in the background
  std::string downloadFromAllowList;
  size_t maxDownloads = 8;  // URLs in one request
};

int RunServe(const ServeArgs& args);
// The child that does one request's PDF work for the server (PdfJob.h): not a
// command for people.
int RunPdfJob(int argc, char** argv);

}  // namespace quillet::cli
