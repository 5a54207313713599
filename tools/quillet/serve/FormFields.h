// The fields of the widely deployed conversion service's routes, as this
// server reads them: every field a route honours is checked and turned into
// what the library or the PDF work takes, and every other field is refused
// with 400 naming it, never ignored (a client that asked for encryption and
// got a plain PDF would not know).
//
// Thread-safety: plain functions of a form.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "PdfWork.h"
#include "Uploads.h"

namespace quillet::cli::serve {

// A field the route does not take, or whose value it refuses (400).
class FieldRefused : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// What is done to the finished PDF files, in this order: merged, split,
// metadata written, flattened, encrypted.
struct PdfAfter {
  bool merge = false;
  bool archival = false;  // the PDF files are PDF/A: a merge keeps their identification
  std::optional<SplitMode> split;
  std::optional<nlohmann::json> metadata;
  bool flatten = false;
  std::string userPassword, ownerPassword;  // encrypted when userPassword is given
};

// The fields pdfa and pdfua as option keywords of a conversion to PDF
// (PDFA=2, PDF.PdfUa=true): the LibreOffice route's and the PDF-engines
// convert route's.
std::vector<std::string> ReadPdfFormatFields(const Form& form);

// The LibreOffice route's fields: the option keywords of the conversion of
// each file (PDFA=, PAGES=, PASSWORD=, PDF.<Name>=), and what is done after.
struct LibreOfficeAsk {
  std::vector<std::string> keywords;
  PdfAfter after;
};
LibreOfficeAsk ReadLibreOfficeFields(const Form& form);

// The PDF-engines routes' fields. Each route names the fields it honours of
// these: merge's flatten, metadata, userPassword and ownerPassword; split's
// split fields too; and so on. Mandatory ones are refused when missing.
enum class PdfRoute { Merge, Split, Flatten, ReadMetadata, WriteMetadata, Encrypt, Convert };
PdfAfter ReadPdfEngineFields(const Form& form, PdfRoute route);

// Each file part of the routes comes in a field named "files"; a file in
// another field (the service's embeds, watermark and stamp files) is refused
// by name.
void OnlyFilesField(const Form& form);

// A boolean as the service reads one (true, false, 1, 0, t, f, in the cases
// Go's ParseBool takes); nothing when it is not one.
std::optional<bool> ParseBool(const std::string& text);

}  // namespace quillet::cli::serve
