// The only connections the server opens itself: the downloads a request asks
// for (downloadFrom) and the webhooks it delivers results to. Both reach only
// the URLs the operator's allow-list matches; nothing is allowed by default.
// Every connection is bounded: its address (http, or https where the build
// has TLS, to a host that names itself plainly: no user part, no odd bytes),
// its time (to connect, between bytes, and in all, enforced by stopping the
// connection from outside), its size, and its redirects (followed here, each
// hop checked against the list, never more than a few).
//
// Thread-safety: an AllowList is read-only once made; each call opens and
// closes its own connection.
#pragma once

#include <httplib.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <regex>
#include <string>

namespace quillet::cli::serve {

// A URL as the server accepts it for an outbound connection.
struct Url {
  std::string scheme;  // "http" or "https", lower case
  std::string host;    // a name or an address; an IPv6 address without its brackets
  int port = 0;
  std::string target;  // the path and query, starting with "/"
  std::string text;    // the whole URL as the allow-list sees it
};

// Text as a Url; nothing, with Why set, when it is not one the server
// connects to: another scheme, https in a build without TLS, a user part,
// bytes that are not printable ASCII, a host that is not a plain name or
// address.
std::optional<Url> ParseUrl(const std::string& text, std::string& why);
// Where Location leads from Base: an absolute URL, one without its scheme, an
// absolute path or a relative one.
std::optional<Url> Resolve(const Url& base, const std::string& location, std::string& why);
// Whether this build connects over https.
bool HttpsBuilt();

// The operator's list: one regular expression matched against the whole URL.
// Empty: nothing is allowed.
class AllowList {
 public:
  AllowList() = default;
  // Raises std::invalid_argument (naming Option) when Pattern is not a
  // regular expression.
  AllowList(const std::string& option, const std::string& pattern);
  bool empty() const { return !re_; }
  bool Allows(const Url& url) const;
  const std::string& option() const { return option_; }

 private:
  std::string option_;
  std::optional<std::regex> re_;
};

// Why an outbound exchange failed, as the client (or the error webhook) is
// told: a status for the client, and a text.
struct OutboundFailure {
  int status = 0;  // 0: none
  std::string error;
  bool retry = false;  // sent again later, it may succeed (no answer, 429, 5xx)
};

struct Timing {
  std::chrono::milliseconds connect{5000};
  std::chrono::milliseconds idle{30000};           // the longest wait for a byte either way
  std::chrono::steady_clock::time_point deadline;  // the whole exchange, redirects included
};

inline constexpr int kMostRedirects = 5;

// What a download answered: the name its server gave (Content-Disposition's
// filename, unchecked: for CleanName), the bytes written.
struct Fetched {
  std::string filename;
  uint64_t bytes = 0;
};

// GETs Url with Headers, following redirects that List allows (at most
// kMostRedirects), into Sink; more than MaxBytes of body is a failure (413).
// Only 200 is a success.
OutboundFailure Fetch(const Url& url, const httplib::Headers& headers, const AllowList& list, const Timing& timing,
                      uint64_t maxBytes, const std::function<bool(const char*, size_t)>& sink, Fetched& fetched);

// What Send sends: the body (its length and the bytes at an offset), its type.
struct Body {
  size_t length = 0;
  std::function<bool(size_t offset, size_t length, httplib::DataSink& sink)> provider;
  std::string contentType;
};

// Sends Body to Url with Method (POST, PUT or PATCH) and Headers, once; any
// 2xx answer is a success. A redirect is not followed (a body is not sent
// twice to somewhere else): it is a failure.
OutboundFailure Send(const Url& url, const std::string& method, const httplib::Headers& headers, const Body& body,
                     const Timing& timing);

// Whether Name and Value may go out as a header a client chose: a token
// name that is not one the exchange itself sets (Host, Content-Length,
// Transfer-Encoding, Connection...), and a value of at most 4096 bytes with
// no control character but tab.
bool HeaderAllowed(const std::string& name, const std::string& value, std::string& why);

}  // namespace quillet::cli::serve
