// The routes that convert: /convert, a file to the format asked, and
// /forms/libreoffice/convert, the multipart shape of the widely deployed
// conversion service (every file to PDF, zipped or merged).
#include <strings.h>

#include <algorithm>
#include <charconv>
#include <optional>
#include <stdexcept>

#include "AccessLog.h"
#include "ClientOptions.h"
#include "Fonts.h"
#include "FormatNames.h"
#include "Names.h"
#include "Output.h"
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
  const Connection* connection = CurrentConnection();
  if (!pool_.Wait(job, [connection] { return connection && connection->ClientGone(); }))
    return {499, "the client went away"};
  CurrentNote().worker = std::max(job->worker, 0);
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

// The multipart shape of the widely deployed conversion service: every file part to PDF.
void Server::Compatible(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
  const auto folder = std::make_shared<RequestFolder>(settings_.base);
  Form form;
  if (!ReadInto(reader, *folder, settings_.form, form, res)) return;
  if (form.files.empty() && !form.Count("downloadFrom"))
    return Fail(res, 400, "no files were sent (form parts named files)");
  const std::string merge = form.Field("merge");
  if (merge != "" && merge != "true" && merge != "false") return Fail(res, 400, "merge must be true or false");
  std::vector<std::string> keywords;
  if (const std::string pdfa = form.Field("pdfa"); !pdfa.empty()) {
    static const std::pair<const char*, const char*> kLevels[] = {
        {"PDF/A-1b", "PDFA=1"}, {"PDF/A-2b", "PDFA=2"}, {"PDF/A-3b", "PDFA=3"}};
    const auto level = std::find_if(std::begin(kLevels), std::end(kLevels),
                                    [&](const auto& l) { return strcasecmp(l.first, pdfa.c_str()) == 0; });
    if (level == std::end(kLevels)) return Fail(res, 400, "pdfa must be PDF/A-1b, PDF/A-2b or PDF/A-3b");
    keywords.push_back(level->second);
  }
  if (const std::string ranges = form.Field("nativePageRanges"); !ranges.empty()) {
    const auto range = PageRange(ranges);
    if (!range) return Fail(res, 400, "nativePageRanges must be one page or one range of pages (2-5)");
    keywords.push_back("PAGES=" + *range);
  }
  if (const std::string password = form.Field("password"); !password.empty())
    keywords.push_back(options::QuotePasswordKeyword(password));
  std::string option;
  for (const std::string& k : keywords) option += (option.empty() ? "" : " ") + k;
  int timeout = 0;
  if (!Timeout(form, timeout, res)) return;
  // The fields checked, the files the client asks the server to fetch.
  if (!AddDownloads(form, *folder, settings_.form, settings_.downloads, CurrentNote().trace, res)) return;
  if (form.files.empty()) return Fail(res, 400, "no files were sent (form parts named files, or downloadFrom)");

  std::string output = CleanName(req.get_header_value("Gotenberg-Output-Filename"));
  if (output == "document" && !req.has_header("Gotenberg-Output-Filename")) output = CurrentNote().trace;
  auto rest = [this, folder, form = std::move(form), option, timeout, merge, output](httplib::Response& answer) {
    try {
      CompatibleResult(folder, form, option, timeout, merge == "true", output, answer);
    } catch (const std::exception& e) {
      if (Connection* c = CurrentConnection()) c->CloseAfterAnswer();
      Fail(answer, 500, WithoutBase(e.what(), settings_.base));
    }
  };
  if (webhooks_.Defer(req, res, rest)) return;
  rest(res);
}

void Server::CompatibleResult(const std::shared_ptr<RequestFolder>& folder, const Form& form, const std::string& option,
                              int timeout, bool merge, const std::string& output, httplib::Response& res) {
  std::vector<std::pair<std::string, std::string>> pdfs;  // path, name in the archive
  const Connection* connection = CurrentConnection();
  // The fonts replaced in any of the files, in the answer's header.
  std::vector<SubstitutedFont> fonts;
  for (const Upload& upload : form.files) {
    if (connection && connection->ClientGone()) return Fail(res, 499, "the client went away");
    const App app = AppOfSource(upload.name);
    const Ask ask{"pdf", "", option};
    const Request request{upload.source(), upload.results() + "/result.pdf",
                          std::to_string(ResolveFormat("pdf", app).format), OptionFor(app, ask)};
    const Refusal refused = Run(upload, request, timeout, fonts);
    if (!fonts.empty()) {
      res.headers.erase(kSubstitutedFontsHeader);  // the list so far, once
      res.set_header(kSubstitutedFontsHeader, FontsHeaderValue(fonts));
    }
    if (refused.status) return Fail(res, refused, upload.name + ": ");
    const std::vector<std::pair<std::string, std::string>> made = ResultsIn(upload.results());
    if (made.size() != 1 || made[0].second != "result.pdf")
      return Fail(res, 500, upload.name + ": the conversion reported success but wrote no PDF");
    pdfs.emplace_back(made[0].first, StemOf(upload.name) + ".pdf");
  }
  if (pdfs.size() == 1) return SendFile(res, folder, pdfs[0].first, output + ".pdf");
  if (merge) {
    // In the order of the files' names, as that service's clients number them.
    std::vector<size_t> order(pdfs.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return form.files[a].name < form.files[b].name; });
    std::vector<std::string> files;
    for (size_t i : order) files.push_back(pdfs[i].first);
    const std::string merged = folder->path() + "/merged.pdf";
    MergePdfs(files, merged);
    return SendFile(res, folder, merged, output + ".pdf");
  }
  // Names made unique in the archive.
  for (size_t i = 0; i < pdfs.size(); ++i)
    for (size_t j = 0; j < i; ++j)
      if (pdfs[j].second == pdfs[i].second) {
        pdfs[i].second = StemOf(pdfs[i].second) + "-" + std::to_string(i + 1) + ".pdf";
        j = static_cast<size_t>(-1);
      }
  const std::string archive = folder->path() + "/result.zip";
  ZipFiles(pdfs, archive);
  SendFile(res, folder, archive, output + ".zip");
}

}  // namespace quillet::cli::serve
