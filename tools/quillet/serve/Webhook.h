// Webhooks: a request with the header Gotenberg-Webhook-Url is answered 204
// as soon as its form is read and checked; its conversion goes on in the
// background, and its answer is delivered to that URL (its body, content type
// and disposition, with Gotenberg-Trace), or, when it failed, to the URL of
// Gotenberg-Webhook-Error-Url as {"status": ..., "message": ...}. Methods
// (Gotenberg-Webhook-Method, -Error-Method) are POST, PUT or PATCH; the
// headers of Gotenberg-Webhook-Extra-Http-Headers (a JSON object) go with
// both. Delivery is tried again with a doubling wait on no answer, 429 or 5xx,
// a bounded number of times; a result that cannot be delivered is reported to
// the error URL.
//
// The URLs must match --webhook-allow-list (none is allowed without it), and
// the jobs waiting in the background are bounded: beyond the bound a request
// is refused with 429.
//
// Thread-safety: Defer, Close, Stop and Wait may be called from any thread;
// each job runs on a thread of its own.
#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "Outbound.h"

namespace quillet::cli::serve {

struct WebhookSettings {
  AllowList allow;  // empty: webhooks are refused
  int maxRetry = 4;
  std::chrono::milliseconds minWait{1000};
  std::chrono::milliseconds maxWait{30000};
  std::chrono::milliseconds connect{5000};
  std::chrono::milliseconds attempt{30000};  // one delivery in all
  size_t mostPending = 16;
};

class Webhooks {
 public:
  explicit Webhooks(WebhookSettings settings) : settings_(std::move(settings)) {}
  // Stops, then waits for the jobs.
  ~Webhooks();
  Webhooks(const Webhooks&) = delete;
  Webhooks& operator=(const Webhooks&) = delete;

  // False when Req asks for no webhook. Otherwise Req's webhook headers are
  // checked, and either Res is the refusal (400: a header not of its shape,
  // 403: a URL the allow-list does not match, 429: too many jobs pending, 503:
  // stopping), or Res is 204 and Work runs in the background on a response
  // of its own, which is then delivered. Work keeps what its answer needs
  // (the request's folder) until it is destroyed, after the delivery.
  bool Defer(const httplib::Request& req, httplib::Response& res, std::function<void(httplib::Response&)> work);
  // Takes no more jobs.
  void Close();
  // Takes no more jobs, and cuts the waits between deliveries short: each
  // job's next failed delivery is its last.
  void Stop();
  // Until no job is left.
  void Wait();

 private:
  struct Job;
  void Run(Job& job);
  // Sends Body with retries; a failure with status 0 when delivered.
  OutboundFailure Deliver(const Url& url, const std::string& method, const httplib::Headers& headers, const Body& body);

  const WebhookSettings settings_;
  mutable std::mutex m_;
  std::condition_variable cv_;
  size_t pending_ = 0;
  bool closed_ = false, stopping_ = false;
};

}  // namespace quillet::cli::serve
