// The PDF files a route of the widely deployed service's shape answers: what
// is asked after the conversion (PdfAfter) done to them, then one PDF, or a
// zip archive of several, named as that service names them.
//
// Thread-safety: a request's handler's own.
#pragma once

#include <httplib.h>

#include <memory>
#include <string>
#include <vector>

#include "FormFields.h"
#include "Uploads.h"

namespace quillet::cli::serve {

// A PDF in the request's folder (Path, a name of the server's) and the stem
// of the name its client reads (Stem.pdf in an archive, Stem_0.pdf for the
// parts of a split).
struct MadePdf {
  std::string path;
  std::string stem;
};

// Does After to Pdfs in Folder: merged in their order into one (stemmed
// MergedStem), split, metadata written, flattened, encrypted; the PDF files
// that result, in order. Raises PdfRefused (the client's PDF), or
// std::runtime_error (a merge that failed: the server's).
std::vector<MadePdf> FinishPdfs(std::vector<MadePdf> pdfs, const PdfAfter& after, const std::string& folder,
                                const std::string& mergedStem);

// Answers one PDF as Output.pdf, or several in the archive Output.zip under
// their stems with .pdf, made unique.
void SendPdfs(httplib::Response& res, const std::shared_ptr<RequestFolder>& folder, const std::vector<MadePdf>& pdfs,
              const std::string& output);

}  // namespace quillet::cli::serve
