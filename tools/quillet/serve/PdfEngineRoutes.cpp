// The PDF-engines routes of the widely deployed conversion service's shape:
// merge, split, flatten, metadata read and written, encryption of the
// clients' own PDF files, by libqpdf in the server (PdfWork.h); no office
// takes part. Conversion of a finished PDF to PDF/A or PDF/UA is not built:
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
  // The fields checked, the files the client asks the server to fetch.
  if (!AddDownloads(form, *folder, limits, settings_.downloads, CurrentNote().trace, res)) return;
  if (form.files.empty()) return Fail(res, 400, "no files were sent (form parts named files, or downloadFrom)");

  const std::string output = OutputName(req);
  auto rest = [this, folder, form = std::move(form), route, after, output](httplib::Response& answer) {
    try {
      PdfEnginesResult(folder, form, route, after, output, answer);
    } catch (const std::exception& e) {
      if (Connection* c = CurrentConnection()) c->CloseAfterAnswer();
      Fail(answer, 500, WithoutBase(e.what(), settings_.base));
    }
  };
  if (webhooks_.Defer(req, res, rest)) return;
  rest(res);
}

void Server::PdfEnginesResult(const std::shared_ptr<RequestFolder>& folder, const Form& form, PdfRoute route,
                              const PdfAfter& after, const std::string& output, httplib::Response& res) {
  // a.pdf is a.pdf in an archive, its parts a_0.pdf, a_1.pdf, ...
  std::vector<MadePdf> pdfs;
  for (const Upload& upload : form.files) pdfs.push_back({upload.source(), StemOf(upload.name)});
  try {
    for (const MadePdf& pdf : pdfs) CheckPdf(pdf.path);
    if (route == PdfRoute::ReadMetadata) {
      json all = json::object();
      for (size_t i = 0; i < pdfs.size(); ++i) all[form.files[i].name] = ReadPdfMetadata(pdfs[i].path);
      res.set_content(Dump(all), "application/json");
      return;
    }
    if (route == PdfRoute::Merge)
      std::stable_sort(pdfs.begin(), pdfs.end(), [](const MadePdf& a, const MadePdf& b) { return a.stem < b.stem; });
    pdfs = FinishPdfs(std::move(pdfs), after, folder->path(), output);
  } catch (const PdfRefused& e) {
    return Fail(res, 400, e.what());
  }
  SendPdfs(res, folder, pdfs, output);
}

}  // namespace quillet::cli::serve
