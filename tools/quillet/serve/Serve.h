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
};

int RunServe(const ServeArgs& args);

}  // namespace quillet::cli
