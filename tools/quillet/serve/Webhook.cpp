#include "Webhook.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <system_error>
#include <thread>

#include <nlohmann/json.hpp>

#include "AccessLog.h"
#include "Server.h"

namespace quillet::cli::serve {

namespace {

using nlohmann::json;

// The methods a webhook is called with.
bool Method(const httplib::Request& req, const char* header, std::string& method, httplib::Response& res) {
  method = "POST";
  if (!req.has_header(header)) return true;
  const std::string given = req.get_header_value(header);
  for (const char* m : {"POST", "PUT", "PATCH"})
    if (strcasecmp(given.c_str(), m) == 0) {
      method = m;
      return true;
    }
  Fail(res, 400, std::string(header) + " must be POST, PUT or PATCH");
  return false;
}

// A body read whole from a provider that gives no length, up to Most bytes.
bool Drain(const httplib::Response& res, std::string& body, size_t most) {
  bool done = false, ok = true;
  httplib::DataSink sink;
  sink.write = [&](const char* data, size_t n) {
    if (body.size() + n > most) return ok = false;
    body.append(data, n);
    return true;
  };
  sink.is_writable = [&] { return ok; };
  sink.done = [&] { done = true; };
  while (ok && !done)
    if (!res.content_provider_(body.size(), 0, sink)) return false;
  return ok;
}

void Report(const std::string& trace, const std::string& what) {
  std::fprintf(stderr, "%s\n", Dump(json{{"trace", trace}, {"webhook", what}}).c_str());
}

}  // namespace

struct Webhooks::Job {
  Url url, errorUrl;
  std::string method, errorMethod, trace;
  httplib::Headers extra;
  std::function<void(httplib::Response&)> work;
};

Webhooks::~Webhooks() {
  Stop();
  Wait();
}

bool Webhooks::Defer(const httplib::Request& req, httplib::Response& res,
                     std::function<void(httplib::Response&)> work) {
  static const char* kHeaders[] = {"Gotenberg-Webhook-Url", "Gotenberg-Webhook-Error-Url", "Gotenberg-Webhook-Method",
                                   "Gotenberg-Webhook-Error-Method", "Gotenberg-Webhook-Extra-Http-Headers"};
  bool asked = false;
  for (const char* h : kHeaders) asked = asked || req.has_header(h);
  if (!asked) return false;
  for (const char* h : kHeaders)
    if (req.get_header_value_count(h) > 1) {
      Fail(res, 400, std::string(h) + " may be sent once");
      return true;
    }
  if (!req.has_header("Gotenberg-Webhook-Url") || !req.has_header("Gotenberg-Webhook-Error-Url")) {
    Fail(res, 400, "a webhook needs both Gotenberg-Webhook-Url and Gotenberg-Webhook-Error-Url");
    return true;
  }
  auto job = std::make_unique<Job>();
  for (auto [header, url] :
       {std::pair{"Gotenberg-Webhook-Url", &job->url}, std::pair{"Gotenberg-Webhook-Error-Url", &job->errorUrl}}) {
    std::string why;
    const std::optional<Url> parsed = ParseUrl(req.get_header_value(header), why);
    if (!parsed) {
      Fail(res, 400, std::string(header) + ": " + why);
      return true;
    }
    if (!settings_.allow.Allows(*parsed)) {
      Fail(res, 403,
           settings_.allow.empty()
               ? "webhooks are refused: the server was started without --webhook-allow-list"
               : std::string(header) + ": " + parsed->text + " is not allowed by --webhook-allow-list");
      return true;
    }
    *url = *parsed;
  }
  if (!Method(req, "Gotenberg-Webhook-Method", job->method, res) ||
      !Method(req, "Gotenberg-Webhook-Error-Method", job->errorMethod, res))
    return true;
  if (req.has_header("Gotenberg-Webhook-Extra-Http-Headers")) {
    const json extra = json::parse(req.get_header_value("Gotenberg-Webhook-Extra-Http-Headers"), nullptr, false);
    if (!extra.is_object() || extra.size() > 32) {
      Fail(res, 400, "Gotenberg-Webhook-Extra-Http-Headers must be a JSON object of at most 32 strings");
      return true;
    }
    for (const auto& [name, value] : extra.items()) {
      std::string why;
      if (!value.is_string()) why = "Gotenberg-Webhook-Extra-Http-Headers must be a JSON object of at most 32 strings";
      if (why.empty() && !HeaderAllowed(name, value.get<std::string>(), why))
        why = "Gotenberg-Webhook-Extra-Http-Headers: " + why;
      if (!why.empty()) {
        Fail(res, 400, why);
        return true;
      }
      job->extra.emplace(name, value.get<std::string>());
    }
  }
  job->trace = CurrentNote().trace;
  job->work = std::move(work);
  {
    std::lock_guard lock(m_);
    if (closed_) {
      Fail(res, 503, "the server is stopping");
      return true;
    }
    if (pending_ >= settings_.mostPending) {
      Fail(res, 429,
           "too many webhook conversions are pending (--max-webhook-jobs " + std::to_string(settings_.mostPending) +
               "): try again later");
      return true;
    }
    ++pending_;
  }
  try {
    std::thread([this, job = std::move(job)]() mutable {
      Run(*job);
      job.reset();  // the request's folder goes with it, before this object may
      std::unique_lock lock(m_);
      --pending_;
      // Wait may return, and this object go, only once the thread is done with it.
      std::notify_all_at_thread_exit(cv_, std::move(lock));
    }).detach();
  } catch (const std::system_error&) {
    {
      std::lock_guard lock(m_);
      --pending_;
    }
    cv_.notify_all();
    Fail(res, 503, "no thread can be started for the webhook: try again later");
    return true;
  }
  res.status = 204;
  return true;
}

void Webhooks::Run(Job& job) {
  CurrentNote().trace = job.trace;
  httplib::Response res;
  try {
    job.work(res);
  } catch (const std::exception&) {
    // (Work answers its own failures; its texts may hold the server's paths.)
    Fail(res, 500, "the conversion failed");
  }
  if (res.status <= 0) Fail(res, 500, "the conversion gave no answer");
  httplib::Headers headers = job.extra;
  headers.erase("Gotenberg-Trace");  // the server's own, as in its answer
  headers.emplace("Gotenberg-Trace", job.trace);
  OutboundFailure failed;
  if (res.status >= 200 && res.status < 300) {
    Body body;
    std::string drained;
    body.contentType = res.get_header_value("Content-Type");
    if (!res.content_provider_) {
      body.length = res.body.size();
      body.provider = [&res](size_t offset, size_t length, httplib::DataSink& sink) {
        return sink.write(res.body.data() + offset, length);
      };
    } else if (!res.is_chunked_content_provider_) {
      body.length = res.content_length_;
      body.provider = res.content_provider_;
    } else if (Drain(res, drained, size_t(1) << 30)) {
      body.length = drained.size();
      body.provider = [&drained](size_t offset, size_t length, httplib::DataSink& sink) {
        return sink.write(drained.data() + offset, length);
      };
    } else {
      failed = {500, "the result could not be read"};
    }
    const bool named = std::any_of(job.extra.begin(), job.extra.end(), [](const auto& h) {
      return strcasecmp(h.first.c_str(), "Content-Disposition") == 0;
    });
    if (!named && res.has_header("Content-Disposition"))
      headers.emplace("Content-Disposition", res.get_header_value("Content-Disposition"));
    if (!failed.status) failed = Deliver(job.url, job.method, headers, body);
    if (!failed.status) return Report(job.trace, "delivered");
    Report(job.trace, "not delivered: " + failed.error);
  } else {
    const json answer = json::parse(res.body, nullptr, false);
    failed.status = res.status;
    failed.error = answer.is_object() && answer.contains("error") && answer["error"].is_string()
                       ? answer["error"].get<std::string>()
                       : "the conversion failed";
  }
  const std::string text = Dump(json{{"status", failed.status}, {"message", failed.error}});
  Body body;
  body.length = text.size();
  body.contentType = "application/json";
  body.provider = [&text](size_t offset, size_t length, httplib::DataSink& sink) {
    return sink.write(text.data() + offset, length);
  };
  const OutboundFailure lost = Deliver(job.errorUrl, job.errorMethod, headers, body);
  Report(job.trace, lost.status ? "error not delivered: " + lost.error : "error delivered");
}

OutboundFailure Webhooks::Deliver(const Url& url, const std::string& method, const httplib::Headers& headers,
                                  const Body& body) {
  auto wait = settings_.minWait;
  for (int attempt = 0;; ++attempt) {
    Timing timing;
    timing.connect = settings_.connect;
    timing.idle = settings_.attempt;
    timing.deadline = std::chrono::steady_clock::now() + settings_.attempt;
    const OutboundFailure failed = Send(url, method, headers, body, timing);
    if (!failed.status || !failed.retry || attempt >= settings_.maxRetry) return failed;
    std::unique_lock lock(m_);
    if (cv_.wait_for(lock, wait, [this] { return stopping_; })) return failed;
    wait = std::min(wait * 2, settings_.maxWait);
  }
}

void Webhooks::Close() {
  std::lock_guard lock(m_);
  closed_ = true;
}

void Webhooks::Stop() {
  {
    std::lock_guard lock(m_);
    closed_ = stopping_ = true;
  }
  cv_.notify_all();
}

void Webhooks::Wait() {
  std::unique_lock lock(m_);
  cv_.wait(lock, [this] { return pending_ == 0; });
}

}  // namespace quillet::cli::serve
