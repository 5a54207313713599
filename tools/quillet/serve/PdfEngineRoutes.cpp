// The PDF-engines routes of the widely deployed conversion service's shape:
// merge, split, flatten, metadata read and written, encryption of the
// clients' own PDF files, by libqpdf in a child of the server (PdfJob.h);
// and conversion to PDF/A or PDF/UA, which the library makes: each file,
// checked there first, is opened by Word (its PDF import) and exported again.
#include <algorithm>
#include <chrono>

#include "AccessLog.h"
#include "FormFields.h"
#include "FormatNames.h"
#include "Fonts.h"
#include "Names.h"
#include "Output.h"
#include "PdfResults.h"
#include "Request.h"
#include "RequestFiles.h"
#include "Server.h"

namespace quillet::cli::serve {

using nlohmann::json;

namespace {

struct PdfRouteName {
  const char* path;
  PdfRoute route;
};
constexpr PdfRouteName kPdfRoutes[] = {
    {"/forms/pdfengines/merge", PdfRoute::Merge},
    {"/forms/pdfengines/split", PdfRoute::Split},
    {"/forms/pdfengines/flatten", PdfRoute::Flatten},
    {"/forms/pdfengines/metadata/read", PdfRoute::ReadMetadata},
    {"/forms/pdfengines/metadata/write", PdfRoute::WriteMetadata},
    {"/forms/pdfengines/encrypt", PdfRoute::Encrypt},
    {"/forms/pdfengines/convert", PdfRoute::Convert},
};

}  // namespace

void Server::PdfEngines(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
  const auto folder = std::make_shared<RequestFolder>(settings_.base);
  FormLimits limits = settings_.form;
  limits.pdfs = true;
  Form form;
  if (!ReadInto(reader, *folder, limits, form, res)) return;

  const auto named = std::find_if(std::begin(kPdfRoutes), std::end(kPdfRoutes),
                                  [&](const PdfRouteName& r) { return req.path == r.path; });
  if (named == std::end(kPdfRoutes)) return Fail(res, 404, "no such route");
  const PdfRoute route = named->route;
  if (form.files.empty() && !form.Count("downloadFrom"))
    return Fail(res, 400, "no files were sent (form parts named files)");
  PdfAfter after;
  // The option keywords of the conversion route: PDFA=N, PDF.PdfUa=...
  std::string option;
  try {
    after = ReadPdfEngineFields(form, route);
    if (route == PdfRoute::Convert)
      for (const std::string& k : ReadPdfFormatFields(form)) option += (option.empty() ? "" : " ") + k;
  } catch (const FieldRefused& e) {
    return Fail(res, 400, e.what());
  }
  int timeout = 0;
  if (!Timeout(form, timeout, res)) return;
  // The fields checked, the files the client asks the server to fetch.
  if (!AddDownloads(form, *folder, limits, settings_.downloads, CurrentNote().trace, res)) return;
  if (form.files.empty()) return Fail(res, 400, "no files were sent (form parts named files, or downloadFrom)");

  const std::string output = OutputName(req);
  AnswerOrDefer(req, res, [this, folder, form = std::move(form), route, after, option, timeout, output](auto& answer) {
    if (route == PdfRoute::Convert)
      ConvertPdfsResult(folder, form, option, timeout, output, answer);
    else
      PdfEnginesResult(folder, form, route, after, timeout, output, answer);
  });
}

void Server::PdfEnginesResult(const std::shared_ptr<RequestFolder>& folder, const Form& form, PdfRoute route,
                              const PdfAfter& after, int timeout, const std::string& output, httplib::Response& res) {
  // a.pdf is a.pdf in an archive, its parts a_0.pdf, a_1.pdf, ...
  PdfJob job;
  for (const Upload& upload : form.files) job.pdfs.push_back({upload.source(), StemOf(upload.name)});
  job.check = true;
  job.readMetadata = route == PdfRoute::ReadMetadata;
  if (route == PdfRoute::Merge)
    std::stable_sort(job.pdfs.begin(), job.pdfs.end(),
                     [](const MadePdf& a, const MadePdf& b) { return a.stem < b.stem; });
  job.after = after;
  job.folder = folder->path();
  job.mergedStem = output;
  PdfJobAnswer done;
  if (!DoPdfJob(job, timeout, done, res)) return;
  if (route == PdfRoute::ReadMetadata) {
    json all = json::object();
    for (size_t i = 0; i < form.files.size(); ++i) all[form.files[i].name] = done.metadata[i];
    res.set_content(Dump(all), "application/json");
    return;
  }
  SendPdfs(res, folder, done.pdfs, output);
}

void Server::ConvertPdfsResult(const std::shared_ptr<RequestFolder>& folder, const Form& form,
                               const std::string& option, int timeout, const std::string& output,
                               httplib::Response& res) {
  // The clients' files are checked in the PDF job before an office sees them:
  // an encrypted or damaged file is refused there with its reason.
  PdfJob check;
  for (const Upload& upload : form.files) check.pdfs.push_back({upload.source(), StemOf(upload.name)});
  check.check = true;
  check.folder = folder->path();
  check.mergedStem = output;
  PdfJobAnswer checked;
  const auto start = std::chrono::steady_clock::now();
  if (!DoPdfJob(check, timeout, checked, res)) return;
  // The request's deadline covers both: the conversions get what is left.
  const auto spent = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
  const int left = timeout - static_cast<int>(spent.count());
  if (left < 1) return Fail(res, 504, "the request's deadline passed while its files were checked");

  // Word opens a PDF file (LibreOffice's PDF import under the stand-in) and
  // exports it with the PDF/A part and the PDF/UA switch asked.
  const Ask asked{"pdf", AppName(App::Word), option};
  const std::string format = std::to_string(ResolveFormat("pdf", App::Word).format);
  const std::string keywords = OptionFor(App::Word, asked);
  std::vector<Request> requests;
  for (const Upload& upload : form.files)
    requests.push_back({upload.source(), upload.results() + "/result.pdf", format, keywords});
  std::optional<std::vector<MadePdf>> pdfs = ConvertedPdfs(form, requests, left, res);
  if (!pdfs) return;
  // a.pdf is a.pdf in an archive.
  for (MadePdf& pdf : *pdfs) pdf.stem = StemOf(pdf.stem);
  SendPdfs(res, folder, *pdfs, output);
}

bool Server::DoPdfJob(const PdfJob& job, int timeout, PdfJobAnswer& done, httplib::Response& res) {
  PdfJobLimits limits = settings_.pdfJobs;
  limits.seconds = timeout;
  done = RunPdfJob(job, limits, CurrentConnection());
  if (done.status == 0) return true;
  // The server's own failure as the other failures of the routes' work: 500,
  // and the connection closed.
  if (done.status == 500) throw std::runtime_error(done.error);
  Fail(res, done.status, done.status == 400 ? done.error : WithoutBase(done.error, settings_.base));
  return false;
}

}  // namespace quillet::cli::serve
