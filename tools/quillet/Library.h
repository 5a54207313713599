// The library's entry points as the command line calls them.
#pragma once

#include <string>
#include <vector>

#include "Request.h"

namespace quillet::cli {

// Why a conversion failed, as far as those who run it can tell. The first
// three are the library's, told apart by its code of the failure; the others
// are found by those who run it.
enum class Failure {
  None,
  Document,     // the library's text says why (the document, the request)
  Deadline,     // the document took longer than its deadline
  OfficeEnded,  // the office ended under it (it crashed, or was killed)
  Memory,       // the office passed its memory ceiling and was ended
  ResultSize,   // the results passed their size ceiling
  Refused,      // a path lay outside the request's folder: nothing was converted
  Worker,       // the worker process died or did not answer in time
};

// A font the document named and the machine lacks, and what stood in for it.
struct SubstitutedFont {
  std::string requested, used;
  bool sameMetrics = false;  // a metric-compatible substitute, not a fallback of other metrics
  bool operator==(const SubstitutedFont&) const = default;
};

struct Outcome {
  bool ok = false;
  std::string error;  // empty on success
  long milliseconds = 0;
  Failure failure = Failure::None;
  // The library's code of the failure (QUILLET_ERROR_*); empty on success
  // and for a failure the library did not report. (Initialized here, so that
  // the outcomes made without it need not name it.)
  std::string code = {};
  // The fonts replaced in the document (also when STRICTFONTS refused it).
  std::vector<SubstitutedFont> fonts = {};
};

// The kind of a failure the library reported with Code: a deadline and an
// office that ended have kinds of their own, every other code (or none) is
// the document's.
Failure FailureOfCode(const std::string& code);

// ConvertSingleFile, timed, with the library's code of its failure.
Outcome Convert(const Request& request);

// The fonts from the library's fields "substitutedfonts" and "fallbackfonts",
// and those two texts back from them.
std::vector<SubstitutedFont> ParseSubstitutedFonts(const std::string& substituted, const std::string& fallbacks);
std::string SubstitutedFontsText(const std::vector<SubstitutedFont>& fonts);
std::string FallbackFontsText(const std::vector<SubstitutedFont>& fonts);
// "Calibri replaced by Carlito (same metrics)".
std::string FontLine(const SubstitutedFont& font);

struct Field {
  std::string value, error;
};
// GetFieldValue by its two calls: the length, then the value.
Field GetField(const std::string& name);

}  // namespace quillet::cli
