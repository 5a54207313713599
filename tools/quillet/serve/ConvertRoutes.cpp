// The routes that convert: /convert, a file to the format asked, and
// /forms/libreoffice/convert, the multipart shape of the widely deployed
// conversion service (every file to PDF, zipped, merged or split).
#include <strings.h>

#include <algorithm>
#include <charconv>
#include <optional>
#include <stdexcept>
#include <thread>

#include "AccessLog.h"
#include "ClientOptions.h"
#include "Fonts.h"
#include "FormFields.h"
#include "FormatNames.h"
#include "Names.h"
#include "Output.h"
#include "PdfResults.h"
#include "RequestFiles.h"
#include "Server.h"
#include "quillet/quillet.h"
#include "Statuses.h"
#include "engine/options/Options.h"

namespace quillet::cli::serve {

namespace {

// Whole seconds from 1 to Most; nothing when Text is not such a number.
std::optional<int> Seconds(const std::string& text, int most) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > most) return std::nullopt;
  return value;
}

}  // namespace

// The deadline field: whole seconds, 1 to the server's own.
bool Server::Timeout(const Form& form, int& timeout, httplib::Response& res) const {
  timeout = args_.timeout;
  const std::string text = form.Field("timeout");
  if (text.empty()) return true;
  const std::optional<int> value = Seconds(text, args_.timeout);
  if (!value) {
    Fail(res, 400, "timeout must be whole seconds from 1 to " + std::to_string(args_.timeout));
    return false;
  }
  timeout = *value;
  return true;
}

// The client's option text as the library gets it.
std::string Server::Option(const std::string& text) const {
  if (!args_.allowAnyOption) return ClientOption(text);
  if (text.find(options::kTimeout) != std::string::npos)
    throw std::invalid_argument("give the deadline in the field timeout, not in the option text");
  return text;
}

Refusal Server::Run(const Upload& upload, Request request, int timeout, std::vector<SubstitutedFont>& fonts) {
  int worker = 0;
  const Refusal refused = RunFor(upload, std::move(request), timeout, fonts, CurrentConnection(), worker);
  CurrentNote().worker = worker;
  return refused;
}

Refusal Server::RunFor(const Upload& upload, Request request, int timeout, std::vector<SubstitutedFont>& fonts,
                       const Connection* connection, int& worker) {
  request.option = "TIMEOUT=" + std::to_string(timeout) + (request.option.empty() ? "" : " " + request.option);
  auto job = std::make_shared<Job>();
  job->request = std::move(request);
  job->folder = upload.folder;
  job->timeout = timeout;
  switch (pool_.Submit(job)) {
    case Pool::Admission::Full:
      return {429, "the queue is full: try again later"};
    case Pool::Admission::Stopping:
      return {503, "the server is stopping"};
    case Pool::Admission::NoWorker:
      return {503, "no worker can take the request: their offices do not answer"};
    case Pool::Admission::Queued:
      break;
  }
  if (!pool_.Wait(job, [connection] { return connection && connection->ClientGone(); }))
    return {499, "the client went away"};
  worker = std::max(job->worker, 0);
  metrics_.Waited(job->waitedSeconds);
  const Outcome& o = job->outcome;
  metrics_.Fonts(o.fonts);
  AddFonts(fonts, o.fonts);
  if (o.ok) return {};
  return {StatusOf(o), ClientText(o.error, upload, job->inside, settings_.base), o.code};
}

void Server::Convert(const httplib::Request&, httplib::Response& res, const httplib::ContentReader& reader) {
  const auto folder = std::make_shared<RequestFolder>(settings_.base);
  Form form;
  if (!ReadInto(reader, *folder, settings_.form, form, res)) return;
  if (form.files.size() != 1 || form.files[0].field != "file") return Fail(res, 400, "one part named file is required");
  const Upload& upload = form.files[0];
  Ask ask{form.Field("format"), form.Field("app"), ""};
  if (ask.format.empty()) ask.format = "pdf";
  int timeout = 0;
  Request request;
  Destination d;
  try {
    ask.option = Option(form.Field("option"));
    if (!Timeout(form, timeout, res)) return;
    const App app = ChooseApp(upload.name, ask);
    try {
      d = ResolveFormat(ask.format, app);
      if (d.extension.empty())
        throw std::invalid_argument("no extension is known for format " + ask.format + " of " + AppName(app) +
                                    ": give the format by name");
    } catch (const std::invalid_argument& e) {
      // A format the application does not have is of the library's kind.
      return Fail(res, Refusal{400, e.what(), QUILLET_ERROR_UNSUPPORTEDFORMAT});
    }
    request.option = OptionFor(app, ask);
  } catch (const std::invalid_argument& e) {
    return Fail(res, 400, e.what());
  }
  request.source = upload.source();
  request.destination = upload.results() + "/result" + d.extension;
  request.format = std::to_string(d.format);
  std::vector<SubstitutedFont> fonts;
  const Refusal refused = Run(upload, request, timeout, fonts);
  if (!fonts.empty()) res.set_header(kSubstitutedFontsHeader, FontsHeaderValue(fonts));
  if (refused.status) return Fail(res, refused);

  // One file, or several (slide pictures, a page and its pictures) in a
  // zip archive, named after the client's file.
  const std::string stem = StemOf(upload.name);
  std::vector<std::pair<std::string, std::string>> made = ResultsIn(upload.results());
  if (made.empty()) return Fail(res, 500, "the conversion reported success but wrote no result");
  if (made.size() == 1 && made[0].second.find('/') == std::string::npos)
    return SendFile(res, folder, made[0].first, ClientNameOf(made[0].second, "result", stem));
  for (auto& [path, name] : made) name = ClientNameOf(name, "result", stem);
  const std::string archive = folder->path() + "/result.zip";
  ZipFiles(made, archive);
  SendFile(res, folder, archive, stem + ".zip");
}

// The multipart shape of the widely deployed conversion service: every file
// part to PDF, each field of the service's honoured or refused by name
// (FormFields.h), the files converted side by side by as many workers as the
// pool has, then merged, split, given metadata, flattened, encrypted.
void Server::Compatible(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
  const auto folder = std::make_shared<RequestFolder>(settings_.base);
  Form form;
  if (!ReadInto(reader, *folder, settings_.form, form, res)) return;
  if (form.files.empty() && !form.Count("downloadFrom"))
    return Fail(res, 400, "no files were sent (form parts named files)");
  LibreOfficeAsk ask;
  try {
    ask = ReadLibreOfficeFields(form);
  } catch (const FieldRefused& e) {
    return Fail(res, 400, e.what());
  }
  std::string option;
  for (const std::string& k : ask.keywords) option += (option.empty() ? "" : " ") + k;
  int timeout = 0;
  if (!Timeout(form, timeout, res)) return;
  // The fields checked, the files the client asks the server to fetch.
  if (!AddDownloads(form, *folder, settings_.form, settings_.downloads, CurrentNote().trace, res)) return;
  if (form.files.empty()) return Fail(res, 400, "no files were sent (form parts named files, or downloadFrom)");

  const std::string output = OutputName(req);
  AnswerOrDefer(req, res,
                [this, folder, form = std::move(form), option, timeout, after = ask.after, output](auto& answer) {
                  CompatibleResult(folder, form, option, timeout, after, output, answer);
                });
}

void Server::AnswerOrDefer(const httplib::Request& req, httplib::Response& res,
                           std::function<void(httplib::Response&)> work) {
  // A failure of the work is the server's: its text without the server's
  // folders, and the connection closed after the answer (on a webhook's
  // thread there is none).
  auto guarded = [this, work = std::move(work)](httplib::Response& answer) {
    try {
      work(answer);
    } catch (const std::exception& e) {
      if (Connection* c = CurrentConnection()) c->CloseAfterAnswer();
      Fail(answer, 500, WithoutBase(e.what(), settings_.base));
    }
  };
  if (!webhooks_.Defer(req, res, guarded)) guarded(res);
}

void Server::CompatibleResult(const std::shared_ptr<RequestFolder>& folder, const Form& form, const std::string& option,
                              int timeout, const PdfAfter& after, const std::string& output, httplib::Response& res) {
  std::vector<Request> requests;
  for (const Upload& upload : form.files) {
    const App app = AppOfSource(upload.name);
    const Ask asked{"pdf", "", option};
    requests.push_back({upload.source(), upload.results() + "/result.pdf",
                        std::to_string(ResolveFormat("pdf", app).format), OptionFor(app, asked)});
  }
  // memo.docx's PDF is memo.docx.pdf in an archive, its parts memo.docx_0.pdf, ...
  std::optional<std::vector<MadePdf>> converted = ConvertedPdfs(form, requests, timeout, res);
  if (!converted) return;
  std::vector<MadePdf> pdfs = std::move(*converted);
  if (after.merge) {
    // In the order of the files' names, as that service's clients number them.
    std::stable_sort(pdfs.begin(), pdfs.end(), [](const MadePdf& a, const MadePdf& b) { return a.stem < b.stem; });
  }
  // The PDF work walled off in its child, with a deadline of its own.
  PdfJob job;
  job.pdfs = std::move(pdfs);
  job.after = after;
  job.folder = folder->path();
  job.mergedStem = output;
  PdfJobAnswer done;
  if (!DoPdfJob(job, timeout, done, res)) return;
  SendPdfs(res, folder, done.pdfs, output);
}

// The fonts replaced in any of the files go into the answer's header, done
// or not.
std::optional<std::vector<MadePdf>> Server::ConvertedPdfs(const Form& form, const std::vector<Request>& requests,
                                                          int timeout, httplib::Response& res) {
  std::vector<SubstitutedFont> fonts;
  const auto [failed, refused] = RunAll(form.files, requests, timeout, fonts);
  if (!fonts.empty()) res.set_header(kSubstitutedFontsHeader, FontsHeaderValue(fonts));
  if (refused.status) {
    Fail(res, refused, form.files[failed].name + ": ");
    return std::nullopt;
  }
  std::vector<MadePdf> pdfs;
  for (const Upload& upload : form.files) {
    const std::vector<std::pair<std::string, std::string>> made = ResultsIn(upload.results());
    if (made.size() != 1 || made[0].second != "result.pdf") {
      Fail(res, 500, upload.name + ": the conversion reported success but wrote no PDF");
      return std::nullopt;
    }
    pdfs.push_back({made[0].first, upload.name});
  }
  return pdfs;
}

// The name of a route's answer without its extension: the client's
// Gotenberg-Output-Filename, cleaned, else the request's trace.
std::string Server::OutputName(const httplib::Request& req) const {
  if (!req.has_header("Gotenberg-Output-Filename")) return CurrentNote().trace;
  return CleanName(req.get_header_value("Gotenberg-Output-Filename"));
}

// Converts the uploads through the pool, as many at once as it has workers
// (each lane takes the next file when its last is done), so that one request
// neither waits on one worker nor fills the queue alone. The first failure in
// the files' order, with its index; no file is started after one failed.
std::pair<size_t, Refusal> Server::RunAll(const std::vector<Upload>& uploads, const std::vector<Request>& requests,
                                          int timeout, std::vector<SubstitutedFont>& fonts) {
  const size_t lanes = std::max<size_t>(1, std::min(uploads.size(), pool_.View().workers.size()));
  const Connection* connection = CurrentConnection();
  std::vector<Refusal> refusals(uploads.size());
  std::vector<std::vector<SubstitutedFont>> replaced(uploads.size());
  std::vector<int> workers(uploads.size(), 0);
  std::atomic<size_t> next{0};
  std::atomic<bool> stop{false};
  auto lane = [&] {
    for (size_t i = next++; i < uploads.size() && !stop; i = next++) {
      if (connection && connection->ClientGone()) {
        refusals[i] = {499, "the client went away"};
      } else {
        try {
          refusals[i] = RunFor(uploads[i], requests[i], timeout, replaced[i], connection, workers[i]);
        } catch (const std::exception& e) {
          refusals[i] = {500, WithoutBase(e.what(), settings_.base)};
        }
      }
      if (refusals[i].status) stop = true;
    }
  };
  std::vector<std::thread> others;
  for (size_t i = 1; i < lanes; ++i) others.emplace_back(lane);
  lane();
  for (std::thread& t : others) t.join();
  for (size_t i = 0; i < uploads.size(); ++i) {
    AddFonts(fonts, replaced[i]);
    if (workers[i] > 0) CurrentNote().worker = workers[i];
  }
  for (size_t i = 0; i < uploads.size(); ++i)
    if (refusals[i].status) return {i, refusals[i]};
  return {0, {}};
}

}  // namespace quillet::cli::serve
