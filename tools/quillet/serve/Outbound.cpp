#include "Outbound.h"

#include <strings.h>

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace quillet::cli::serve {

namespace {

using Clock = std::chrono::steady_clock;

bool Printable(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c > 0x20 && c < 0x7f; });
}

// A host name of letters, digits, dots and hyphens, or an IPv4 address.
bool PlainHost(const std::string& host) {
  return !host.empty() && host.size() <= 253 && host.front() != '.' && host.front() != '-' &&
         std::all_of(host.begin(), host.end(), [](char c) {
           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
         });
}

bool Ipv6(const std::string& host) {
  return !host.empty() && host.size() <= 45 && host.find(':') != std::string::npos &&
         std::all_of(host.begin(), host.end(), [](char c) {
           return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || (c >= '0' && c <= '9') || c == ':' || c == '.';
         });
}

std::string Origin(const Url& url) {
  const std::string host = url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host;
  return url.scheme + "://" + host + ":" + std::to_string(url.port);
}

// Stops Client when the deadline passes, so that no exchange outlives it
// (the client's own timeouts bound each wait, not the whole).
class Watchdog {
 public:
  Watchdog(httplib::Client& client, Clock::time_point deadline)
      : thread_([this, &client, deadline] {
          std::unique_lock lock(m_);
          if (!cv_.wait_until(lock, deadline, [this] { return done_; })) {
            fired_ = true;
            client.stop();
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard lock(m_);
      done_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }
  bool fired() {
    std::lock_guard lock(m_);
    return fired_;
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  bool done_ = false;
  bool fired_ = false;
  std::thread thread_;  // last: it starts once the rest is made
};

std::unique_ptr<httplib::Client> ClientFor(const Url& url, const Timing& timing) {
  auto client = std::make_unique<httplib::Client>(Origin(url));
  client->set_connection_timeout(timing.connect);
  client->set_read_timeout(timing.idle);
  client->set_write_timeout(timing.idle);
  client->set_follow_location(false);
  client->set_keep_alive(false);
  client->set_url_encode(false);  // the target was checked: printable ASCII only
  client->set_decompress(false);  // the bytes counted are the bytes stored
  return client;
}

OutboundFailure Unanswered(const Url& url, httplib::Error error, bool timedOut) {
  if (timedOut) return {504, url.text + " did not answer in time", true};
  return {502, url.text + ": " + httplib::to_string(error), true};
}

// The most of a receiver's answer that is read.
constexpr size_t kMostAnswerBytes = 64 << 10;

bool Redirect(int status) { return status == 301 || status == 302 || status == 303 || status == 307 || status == 308; }

// The filename parameter of a Content-Disposition value: filename*
// (UTF-8''percent-encoded) before filename (quoted or a token).
std::string DispositionName(const std::string& value) {
  std::string plain, extended;
  size_t at = value.find(';');
  while (at != std::string::npos && at < value.size()) {
    ++at;
    while (at < value.size() && (value[at] == ' ' || value[at] == '\t')) ++at;
    const size_t eq = value.find('=', at);
    if (eq == std::string::npos) break;
    std::string key = value.substr(at, eq - at);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
    std::string v;
    size_t end = eq + 1;
    if (end < value.size() && value[end] == '"') {
      for (++end; end < value.size() && value[end] != '"'; ++end) {
        if (value[end] == '\\' && end + 1 < value.size()) ++end;
        v.push_back(value[end]);
      }
      end = value.find(';', end);
    } else {
      end = value.find(';', eq + 1);
      v = value.substr(eq + 1, end == std::string::npos ? std::string::npos : end - eq - 1);
      while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.pop_back();
    }
    if (strcasecmp(key.c_str(), "filename") == 0) plain = v;
    if (strcasecmp(key.c_str(), "filename*") == 0) {
      const size_t quote = v.find("''");
      if (quote != std::string::npos && strncasecmp(v.c_str(), "utf-8", quote) == 0 && quote == 5) {
        std::string decoded;
        for (size_t i = quote + 2; i < v.size(); ++i) {
          unsigned value16 = 0;
          if (v[i] == '%' && i + 2 < v.size() &&
              std::from_chars(v.data() + i + 1, v.data() + i + 3, value16, 16).ptr == v.data() + i + 3) {
            decoded.push_back(static_cast<char>(value16));
            i += 2;
          } else {
            decoded.push_back(v[i]);
          }
        }
        extended = decoded;
      }
    }
    at = end;
  }
  return extended.empty() ? plain : extended;
}

}  // namespace

bool HttpsBuilt() {
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
  return true;
#else
  return false;
#endif
}

std::optional<Url> ParseUrl(const std::string& text, std::string& why) {
  if (text.size() > 2048 || !Printable(text)) {
    why = "a URL must be at most 2048 printable ASCII characters, with no blank";
    return std::nullopt;
  }
  const size_t colon = text.find("://");
  Url url;
  url.scheme = colon == std::string::npos ? "" : text.substr(0, colon);
  std::transform(url.scheme.begin(), url.scheme.end(), url.scheme.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (url.scheme != "http" && url.scheme != "https") {
    why = "only http and https URLs are fetched";
    return std::nullopt;
  }
  if (url.scheme == "https" && !HttpsBuilt()) {
    why = "this build of quillet has no TLS: only http URLs are fetched";
    return std::nullopt;
  }
  const size_t start = colon + 3;
  const size_t slash = text.find_first_of("/?#", start);
  const std::string authority = text.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
  if (authority.find('@') != std::string::npos || authority.find('\\') != std::string::npos) {
    why = "a URL may not carry a user part";
    return std::nullopt;
  }
  std::string port;
  if (!authority.empty() && authority.front() == '[') {
    const size_t close = authority.find(']');
    url.host = close == std::string::npos ? "" : authority.substr(1, close - 1);
    if (close == std::string::npos || !Ipv6(url.host)) {
      why = "the URL's host is not a plain name or address";
      return std::nullopt;
    }
    const std::string rest = authority.substr(close + 1);
    if (!rest.empty() && rest.front() != ':') {
      why = "the URL's host is not a plain name or address";
      return std::nullopt;
    }
    port = rest.empty() ? "" : rest.substr(1);
  } else {
    const size_t portColon = authority.find(':');
    url.host = authority.substr(0, portColon);
    port = portColon == std::string::npos ? "" : authority.substr(portColon + 1);
    if (!PlainHost(url.host)) {
      why = "the URL's host is not a plain name or address";
      return std::nullopt;
    }
  }
  url.port = url.scheme == "https" ? 443 : 80;
  if (!port.empty()) {
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), url.port);
    if (ec != std::errc() || end != port.data() + port.size() || url.port < 1 || url.port > 65535) {
      why = "the URL's port is not a number from 1 to 65535";
      return std::nullopt;
    }
  }
  std::string target = slash == std::string::npos ? "/" : text.substr(slash);
  target = target.substr(0, target.find('#'));
  if (target.empty() || target.front() == '?') target = "/" + target;
  url.target = target;
  url.text = text.substr(0, text.find('#'));
  return url;
}

std::optional<Url> Resolve(const Url& base, const std::string& location, std::string& why) {
  if (location.find("://") != std::string::npos && location.find("://") < location.find_first_of("/?#"))
    return ParseUrl(location, why);
  const std::string host = base.host.find(':') != std::string::npos ? "[" + base.host + "]" : base.host;
  if (location.rfind("//", 0) == 0) return ParseUrl(base.scheme + ":" + location, why);
  const std::string origin = base.scheme + "://" + host + ":" + std::to_string(base.port);
  if (!location.empty() && location.front() == '/') return ParseUrl(origin + location, why);
  const std::string path = base.target.substr(0, base.target.find('?'));
  return ParseUrl(origin + path.substr(0, path.rfind('/') + 1) + location, why);
}

AllowList::AllowList(const std::string& option, const std::string& pattern) : option_(option) {
  if (pattern.empty()) return;
  try {
    re_.emplace(pattern, std::regex::ECMAScript);
  } catch (const std::regex_error& e) {
    throw std::invalid_argument(option + ": not a regular expression: " + e.what());
  }
}

bool AllowList::Allows(const Url& url) const {
  if (!re_) return false;
  try {
    return std::regex_match(url.text, *re_);
  } catch (const std::regex_error&) {
    return false;  // too complex for the URL: not allowed
  }
}

bool HeaderAllowed(const std::string& name, const std::string& value, std::string& why) {
  static const char* kReserved[] = {
      "host",    "content-length", "transfer-encoding", "connection", "keep-alive", "upgrade", "te",
      "trailer", "expect",         "proxy-connection"};
  const bool token = !name.empty() && name.size() <= 128 && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
  });
  if (!token) {
    why = "a header name must be a token of at most 128 characters";
    return false;
  }
  for (const char* reserved : kReserved)
    if (strcasecmp(name.c_str(), reserved) == 0) {
      why = "the header " + name + " is set by the server itself";
      return false;
    }
  const bool clean = value.size() <= 4096 &&
                     std::all_of(value.begin(), value.end(),
                                 [](char c) { return c == '\t' || static_cast<unsigned char>(c) >= 0x20; }) &&
                     value.find('\x7f') == std::string::npos;
  if (!clean) {
    why = "the value of the header " + name + " must be at most 4096 bytes with no control character";
    return false;
  }
  return true;
}

OutboundFailure Fetch(const Url& first, const httplib::Headers& headers, const AllowList& list, const Timing& timing,
                      uint64_t maxBytes, const std::function<bool(const char*, size_t)>& sink, Fetched& fetched) {
  Url url = first;
  for (int hop = 0;; ++hop) {
    if (!list.Allows(url)) return {403, url.text + " is not allowed by " + list.option()};
    if (Clock::now() >= timing.deadline) return {504, url.text + " was not fetched in time"};
    auto client = ClientFor(url, timing);
    int status = 0;
    std::string location, disposition;
    bool tooLarge = false, sinkFailed = false;
    fetched.bytes = 0;
    bool timedOut = false;
    httplib::Result result = [&] {
      Watchdog watchdog(*client, timing.deadline);
      httplib::Result got = client->Get(
          url.target, headers,
          [&](const httplib::Response& res) {
            status = res.status;
            location = res.get_header_value("Location");
            disposition = res.get_header_value("Content-Disposition");
            return status == 200;  // a redirect's or an error's body is not read
          },
          [&](const char* data, size_t n) {
            if (fetched.bytes + n > maxBytes) {
              tooLarge = true;
              return false;
            }
            fetched.bytes += n;
            if (!sink(data, n)) {
              sinkFailed = true;
              return false;
            }
            return true;
          });
      timedOut = watchdog.fired();
      return got;
    }();
    if (tooLarge) return {413, url.text + " sent more than " + std::to_string(maxBytes) + " bytes"};
    if (sinkFailed) return {500, "a download cannot be stored"};
    if (!result && (status == 0 || status == 200)) return Unanswered(url, result.error(), timedOut);
    if (Redirect(status)) {
      if (hop >= kMostRedirects)
        return {400, first.text + " redirects more than " + std::to_string(kMostRedirects) + " times"};
      std::string why;
      const std::optional<Url> next = Resolve(url, location, why);
      if (!next) return {400, url.text + " redirects to a URL the server does not fetch: " + why};
      url = *next;
      continue;
    }
    if (status != 200) return {400, url.text + " answered " + std::to_string(status), status == 429 || status >= 500};
    fetched.filename = DispositionName(disposition);
    return {};
  }
}

OutboundFailure Send(const Url& url, const std::string& method, const httplib::Headers& headers, const Body& body,
                     const Timing& timing) {
  if (Clock::now() >= timing.deadline) return {504, url.text + " was not reached in time", true};
  auto client = ClientFor(url, timing);
  httplib::Request req;
  req.method = method;
  req.path = url.target;
  req.headers = headers;
  if (!req.has_header("Content-Type")) req.headers.emplace("Content-Type", body.contentType);
  req.content_length_ = body.length;
  req.content_provider_ = body.provider;
  // The receiver's answer is read only as far as a short text: a hostile one
  // could send without end.
  size_t answered = 0;
  req.content_receiver = [&answered](const char*, size_t n, uint64_t, uint64_t) {
    answered += n;
    return answered <= kMostAnswerBytes;
  };
  httplib::Response res;
  httplib::Error error = httplib::Error::Success;
  bool timedOut = false;
  {
    Watchdog watchdog(*client, timing.deadline);
    client->send(req, res, error);
    timedOut = watchdog.fired();
  }
  // A status read is an answer, though its body was cut short.
  if (res.status <= 0) return Unanswered(url, error, timedOut);
  const int status = res.status;
  if (status >= 200 && status < 300) return {};
  return {502, url.text + " answered " + std::to_string(status), status == 429 || (status >= 500 && status != 501)};
}

}  // namespace quillet::cli::serve
