// quillet serve: the HTTP side. cpp-httplib (Debian's libcpp-httplib) parses
// the requests, on connections that the edge (Edge.h) bounds; each
// conversion waits for a worker of the pool (Pool.h), whose bounded queue
// answers 429 when it is full.
//
// The walls: nothing a client sends becomes part of a path (uploads and
// results have names of the server's own; the client's names only name what
// it reads back); the offices see only their worker's folder and reach no
// network; every resource a request can use has a ceiling; every error before
// a body was read to its end closes the connection.
//
// The server's members live in a file per concern: Server.cpp admits
// requests (framing, route, token, size) and logs them, ConvertRoutes.cpp
// serves the routes that convert, InfoRoutes.cpp the health check and the
// table of formats. Token.h checks the token, RequestFiles.h handles a
// request's folder, AccessLog.h writes the log line, Download.h and
// Webhook.h make the server's own outbound connections (through Outbound.h),
// ServeCommand.cpp starts and stops the whole.
//
// Thread-safety: httplib calls the handlers on the connections' threads at
// once; what they share (the pool, the metrics) guards itself.
#pragma once

#include <httplib.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Download.h"
#include "Edge.h"
#include "FormFields.h"
#include "Metrics.h"
#include "PdfJob.h"
#include "Pool.h"
#include "Serve.h"
#include "Token.h"
#include "Uploads.h"
#include "Webhook.h"

namespace quillet::cli::serve {

struct Settings {
  std::string base;  // the server's private folder: the requests' and the workers' folders
  Token token;
  uint64_t maxUpload = 0;
  FormLimits form;
  DownloadSettings downloads;  // downloadFrom's
  WebhookSettings webhooks;
  PdfJobLimits pdfJobs;  // the children of the PDF work (their deadline is each request's)
};

// JSON as the server writes it (bytes that are not UTF-8 replaced).
std::string Dump(const nlohmann::json& j);
// An error's answer: Status, with a body {"status": ..., "error": ...} and
// Retry-After where sending it again later may succeed (429, 503).
void Fail(httplib::Response& res, int status, const std::string& error);

// Why a conversion was not done: its status, its text, and the library's code
// of the failure where the library reported one (else empty).
struct Refusal {
  int status = 0;
  std::string error = {};
  std::string code = {};
};
// Fail with Refusal; its code goes into the header Quillet-Error-Code, where
// a client tells the kind of the failure without reading the text. Prefix
// goes before the text.
void Fail(httplib::Response& res, const Refusal& refusal, const std::string& prefix = "");

class Server {
 public:
  Server(const ServeArgs& args, Settings settings, PoolSettings pool, const EdgeLimits& edge);

  // Binds; returns the port, or -1.
  int Bind(const std::string& host, int port);
  void StartPool() { pool_.Start(); }
  bool Listen() { return http_.listen_after_bind(); }
  // Takes no more work; the requests being served go on.
  void Close();
  void KillWorkers() {
    webhooks_.Stop();
    pool_.Kill();
  }
  // Until the conversions answered by webhook are delivered.
  void WaitWebhooks() { webhooks_.Wait(); }
  void StopPool() { pool_.Stop(); }

 private:
  using Handler = void (Server::*)(const httplib::Request&, httplib::Response&, const httplib::ContentReader&);

  // Server.cpp
  httplib::Server::HandlerResponse Admit(const httplib::Request& req, httplib::Response& res);
  void Guarded(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader,
               Handler handler);
  void Log(const httplib::Request& req, const httplib::Response& res);

  // ConvertRoutes.cpp
  void Convert(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader);
  void Compatible(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader);
  bool Timeout(const Form& form, int& timeout, httplib::Response& res) const;
  std::string Option(const std::string& text) const;
  // Converts Upload through the pool; a Refusal with status 0 when done. The
  // fonts replaced in the document are added to Fonts, done or not.
  Refusal Run(const Upload& upload, Request request, int timeout, std::vector<SubstitutedFont>& fonts);
  // The files of Form to PDF, zipped or merged, answered in Res (on the
  // request's thread, or on a webhook's).
  void CompatibleResult(const std::shared_ptr<RequestFolder>& folder, const Form& form, const std::string& option,
                        int timeout, const PdfAfter& after, const std::string& output, httplib::Response& res);
  // Run on any thread: the request's Connection, and the worker that converted.
  Refusal RunFor(const Upload& upload, Request request, int timeout, std::vector<SubstitutedFont>& fonts,
                 const Connection* connection, int& worker);
  // Runs Requests (one per upload) side by side; the first failure with its index.
  // Runs Work into Res now, or, when Req asks for a webhook, answers 204 and
  // runs it in the background into an answer the webhook gets (Webhook.h).
  void AnswerOrDefer(const httplib::Request& req, httplib::Response& res, std::function<void(httplib::Response&)> work);
  // Converts Form's files to PDF by Requests (one per file, RunAll), each
  // to result.pdf in its upload's folder: the PDFs, each named after its
  // file; nothing, with Res the refusal, when a file failed.
  std::optional<std::vector<MadePdf>> ConvertedPdfs(const Form& form, const std::vector<Request>& requests, int timeout,
                                                    httplib::Response& res);
  std::pair<size_t, Refusal> RunAll(const std::vector<Upload>& uploads, const std::vector<Request>& requests,
                                    int timeout, std::vector<SubstitutedFont>& fonts);
  std::string OutputName(const httplib::Request& req) const;

  // PdfEngineRoutes.cpp: the PDF-engines routes of the widely deployed service's shape.
  void PdfEngines(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader);
  // The work of a PDF-engines route on Form's files, answered in Res (on the
  // request's thread, or on a webhook's).
  void PdfEnginesResult(const std::shared_ptr<RequestFolder>& folder, const Form& form, PdfRoute route,
                        const PdfAfter& after, int timeout, const std::string& output, httplib::Response& res);
  // The files of Form, checked, converted by Word to PDF with Option's
  // keywords (PDFA=N, PDF.PdfUa=true): one PDF or a zip, answered in Res.
  void ConvertPdfsResult(const std::shared_ptr<RequestFolder>& folder, const Form& form, const std::string& option,
                         int timeout, const std::string& output, httplib::Response& res);
  // Runs Job in its child with Timeout seconds; false, with Res answered,
  // when it failed (raises std::runtime_error for the server's own failures).
  bool DoPdfJob(const PdfJob& job, int timeout, PdfJobAnswer& done, httplib::Response& res);

  // InfoRoutes.cpp
  void Health(const httplib::Request& req, httplib::Response& res);
  static void Formats(httplib::Response& res);

  const ServeArgs args_;
  const Settings settings_;
  std::atomic<bool> stopping_{false};
  Pool pool_;
  Metrics metrics_;
  EdgeServer http_;
  // Last, so that it goes first: its jobs use the pool and the metrics.
  Webhooks webhooks_;
};

}  // namespace quillet::cli::serve
