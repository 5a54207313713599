// downloadFrom: the files of a request that the server fetches itself, from
// URLs the client names in that form field (a JSON array of {"url": ...,
// "extraHttpHeaders": {...}}). Each is fetched through Outbound.h's bounded
// client into the request's folder and joins the form as if it had been
// uploaded: named by its server's Content-Disposition, else by the URL's last
// segment, both through CleanName; stored under a name of the server's own.
//
// Thread-safety: as the form, its request's handler's own.
#pragma once

#include <httplib.h>

#include <chrono>
#include <string>

#include "Outbound.h"
#include "Uploads.h"

namespace quillet::cli::serve {

struct DownloadSettings {
  AllowList allow;  // empty: downloadFrom is refused
  size_t mostUrls = 8;
  std::chrono::seconds inAll{60};  // all the downloads of one request
  std::chrono::milliseconds connect{5000};
  std::chrono::milliseconds idle{30000};
};

// Fetches the files Form's downloadFrom asks for and adds them to Form,
// within what Limits leave of the request's bytes and files. False when it
// refused or failed, with the answer written: a value that is not the
// field's shape (400), no allow-list or a URL it does not match (403), more
// URLs than the ceiling or files than --max-files (413), a file the server does not convert or a
// server that answers badly (400), too many bytes (413), too slow (504).
bool AddDownloads(Form& form, const RequestFolder& folder, const FormLimits& limits, const DownloadSettings& settings,
                  const std::string& trace, httplib::Response& res);

}  // namespace quillet::cli::serve
