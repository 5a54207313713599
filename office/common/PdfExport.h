// What the stand-ins' ExportAsFixedFormat and PrintOut share: the range of
// pages (or slides) as LibreOffice takes it, and the export options the
// library hands the application before its ExportAsFixedFormat.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "automation/Failure.h"
#include "common/AppState.h"
#include "engine/options/Options.h"
#include "platform/error.h"

namespace quillet::office {

// "2-3" from the From and To arguments (a missing From is the first page, a
// missing To the last); empty when neither is given. Raises Failure "Value
// out of range" for a page below 1 or a To before From.
inline std::string PageRangeOf(std::optional<int32_t> from, std::optional<int32_t> to) {
  if (!from && !to) return {};
  if ((from && *from < 1) || (to && *to < 1) || (from && to && *to < *from)) throw Failure("Value out of range");
  return (from ? std::to_string(*from) : "1") + "-" + (to ? std::to_string(*to) : "");
}

// The export options of a PdfExportOptions text: the PDF.<Name>= keywords,
// the pages of a quoted PAGES= list as LibreOffice takes them (empty
// without one), and the PDF/A part of PDFA= (0 without it). Raises Failure
// with the keyword reader's text for a malformed one.
struct PdfExportSettings {
  options::PdfExportOptions options;
  std::string pages;
  int pdfA = 0;

  // The PDF/A part of the export: the options', else PDF/A-1b when the
  // export's own argument (UseISO19005_1) asks for it.
  int PdfA(bool iso19005_1) const { return pdfA != 0 ? pdfA : iso19005_1 ? 1 : 0; }
};

inline PdfExportSettings ReadPdfExportOptions(const std::string& text) {
  try {
    return {options::PdfExport(text), options::PageRangesText(options::Pages(text)), options::PdfALevel(text)};
  } catch (const Error& e) {
    throw Failure(e.what());
  }
}

// The options set for this export, which are then gone: the next export
// has only those set for it.
inline PdfExportSettings TakePdfExportOptions(AppState& app) {
  return ReadPdfExportOptions(std::exchange(app.pdfExportOptions, {}));
}

}  // namespace quillet::office
