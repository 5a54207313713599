// The PDF-engines routes of the widely deployed conversion service's shape:
// merge, split, flatten, metadata read and written, encryption of the
// clients' own PDF files, by libqpdf in a child of the server (PdfJob.h);
// no office takes part. Conversion of a finished PDF to PDF/A or PDF/UA is not built:
// that route answers 501 naming the field (the LibreOffice route makes both).
#include <algorithm>

#include "AccessLog.h"
#include "FormFields.h"
#include "Names.h"
#include "PdfResults.h"
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
  try {
    after = ReadPdfEngineFields(form, route);
  } catch (const FieldRefused& e) {
    return Fail(res, 400, e.what());
  }
  if (route == PdfRoute::Convert) {
    if (form.Count("pdfa") == 0 && form.Count("pdfua") == 0)
      return Fail(res, 400, "either the field pdfa or the field pdfua must be given");
    return Fail(res, 501,
                std::string("the field ") + (form.Count("pdfa") ? "pdfa" : "pdfua") +
                    " is not built on this route: a finished PDF is not converted again; ask "
                    "/forms/libreoffice/convert for PDF/A or PDF/UA");
  }
  int timeout = 0;
  if (!Timeout(form, timeout, res)) return;
  // The fields checked, the files the client asks the server to fetch.
  if (!AddDownloads(form, *folder, limits, settings_.downloads, CurrentNote().trace, res)) return;
  if (form.files.empty()) return Fail(res, 400, "no files were sent (form parts named files, or downloadFrom)");

  const std::string output = OutputName(req);
  auto rest = [this, folder, form = std::move(form), route, after, timeout, output](httplib::Response& answer) {
    try {
      PdfEnginesResult(folder, form, route, after, timeout, output, answer);
    } catch (const std::exception& e) {
      if (Connection* c = CurrentConnection()) c->CloseAfterAnswer();
      Fail(answer, 500, WithoutBase(e.what(), settings_.base));
    }
  };
  if (webhooks_.Defer(req, res, rest)) return;
  rest(res);
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
