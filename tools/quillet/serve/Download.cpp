#include "Download.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "FormatNames.h"
#include "Names.h"
#include "Server.h"
#include "platform/unique_fd.h"

namespace quillet::cli::serve {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct Wanted {
  Url url;
  httplib::Headers headers;
};

// The entries of the field; an empty Why when they are all well formed.
std::vector<Wanted> Entries(const std::string& text, const DownloadSettings& settings, std::string& why, int& status) {
  status = 400;
  std::vector<Wanted> wanted;
  const json list = json::parse(text, nullptr, false);
  if (!list.is_array()) {
    why = "downloadFrom must be a JSON array of {\"url\": ..., \"extraHttpHeaders\": {...}}";
    return {};
  }
  if (list.size() > settings.mostUrls) {
    status = 413;
    why = "downloadFrom names more than " + std::to_string(settings.mostUrls) + " URLs";
    return {};
  }
  for (size_t i = 0; i < list.size(); ++i) {
    const json& entry = list[i];
    const std::string at = "downloadFrom entry " + std::to_string(i) + ": ";
    if (!entry.is_object() || !entry.contains("url") || !entry["url"].is_string()) {
      why = at + "an object with a url is required";
      return {};
    }
    for (const auto& [key, value] : entry.items())
      if (key != "url" && key != "extraHttpHeaders") {
        why = at + "the key " + CleanName(key) + " is not taken";
        return {};
      }
    Wanted w;
    std::string bad;
    const std::optional<Url> url = ParseUrl(entry["url"].get<std::string>(), bad);
    if (!url) {
      why = at + bad;
      return {};
    }
    w.url = *url;
    if (entry.contains("extraHttpHeaders")) {
      const json& headers = entry["extraHttpHeaders"];
      if (!headers.is_object() || headers.size() > 32) {
        why = at + "extraHttpHeaders must be an object of at most 32 strings";
        return {};
      }
      for (const auto& [name, value] : headers.items()) {
        if (!value.is_string() || !HeaderAllowed(name, value.get<std::string>(), bad)) {
          why = at + (value.is_string() ? bad : "extraHttpHeaders must be an object of at most 32 strings");
          return {};
        }
        w.headers.emplace(name, value.get<std::string>());
      }
    }
    wanted.push_back(std::move(w));
  }
  for (const Wanted& w : wanted)
    if (!settings.allow.Allows(w.url)) {
      status = 403;
      why = settings.allow.empty()
                ? "downloadFrom is refused: the server was started without --download-from-allow-list"
                : w.url.text + " is not allowed by --download-from-allow-list";
      return {};
    }
  return wanted;
}

// The last segment of the URL's path, as its name where its server gives
// none.
std::string LastSegment(const Url& url) {
  const std::string path = url.target.substr(0, url.target.find('?'));
  return path.substr(path.rfind('/') + 1);
}

}  // namespace

bool AddDownloads(Form& form, const RequestFolder& folder, const FormLimits& limits, const DownloadSettings& settings,
                  const std::string& trace, httplib::Response& res) {
  const size_t fields = form.Count("downloadFrom");
  if (fields == 0) return true;
  if (fields > 1) {
    Fail(res, 400, "downloadFrom may be sent once");
    return false;
  }
  std::string why;
  int status = 0;
  const std::vector<Wanted> wanted = Entries(form.Field("downloadFrom"), settings, why, status);
  if (!why.empty()) {
    Fail(res, status, why);
    return false;
  }
  if (form.files.size() + wanted.size() > limits.files) {
    Fail(res, 413, "the request has more than " + std::to_string(limits.files) + " files, downloads included");
    return false;
  }
  uint64_t used = 0;
  for (const auto& [name, value] : form.fields) used += name.size() + value.size();
  for (const Upload& u : form.files) used += u.bytes;
  Timing timing;
  timing.connect = settings.connect;
  timing.idle = settings.idle;
  timing.deadline = std::chrono::steady_clock::now() + settings.inAll;
  for (const Wanted& w : wanted) {
    Upload upload;
    upload.field = "downloadFrom";
    upload.folder = folder.path() + "/" + std::to_string(form.files.size());
    // Stored first under a name of the server's own; renamed to the source
    // with the extension of the name its server gave.
    std::error_code ec;
    fs::create_directories(upload.folder + "/in", ec);
    fs::create_directories(upload.folder + "/out", ec);
    const std::string partial = upload.folder + "/in/download";
    os::UniqueFd fd(ec ? -1 : ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd) {
      Fail(res, 500, "a download cannot be stored");
      return false;
    }
    httplib::Headers headers = w.headers;
    if (!headers.count("User-Agent")) headers.emplace("User-Agent", "quillet");
    headers.erase("Gotenberg-Trace");  // the request's own
    headers.emplace("Gotenberg-Trace", trace);
    Fetched fetched;
    const uint64_t left = limits.bytes > used ? limits.bytes - used : 0;
    const OutboundFailure failed = Fetch(
        w.url, headers, settings.allow, timing, left,
        [&](const char* data, size_t n) {
          while (n > 0) {
            const ssize_t written = ::write(fd.get(), data, n);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return false;
            data += written;
            n -= static_cast<size_t>(written);
          }
          return true;
        },
        fetched);
    const bool closed = os::Close(fd);
    if (failed.status) {
      const std::string about = failed.status == 413 ? "the request is larger than " + std::to_string(limits.bytes) +
                                                           " bytes, downloads included: "
                                                     : "";
      Fail(res, failed.status, about + failed.error);
      return false;
    }
    if (!closed) {
      Fail(res, 500, "a download cannot be stored");
      return false;
    }
    upload.name = CleanName(fetched.filename.empty() ? LastSegment(w.url) : fetched.filename);
    upload.extension = ExtensionOf(upload.name);
    if (limits.pdfs && upload.extension != ".pdf") {
      Fail(res, 400, upload.name + " (from " + w.url.text + "): this route takes PDF files, named .pdf");
      return false;
    }
    if (!limits.pdfs && !IsDocument(upload.name)) {
      Fail(res, 400,
           upload.name + " (from " + w.url.text + "): the server converts documents named " + AcceptedExtensions());
      return false;
    }
    fs::rename(partial, upload.source(), ec);
    if (ec) {
      Fail(res, 500, "a download cannot be stored");
      return false;
    }
    upload.bytes = fetched.bytes;
    used += fetched.bytes;
    form.files.push_back(std::move(upload));
  }
  return true;
}

}  // namespace quillet::cli::serve
