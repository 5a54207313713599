#include "Statuses.h"

#include <string_view>

#include "quillet/quillet.h"

namespace quillet::cli::serve {

namespace {

// A document the library could not convert is 422 with the library's text,
// whatever the reason: sent again, it fails again. A deadline passed is 504;
// an office that ended under the document is 503, since sent again it may
// convert (its worker starts a new office).
constexpr struct {
  std::string_view code;
  int status;
} kByCode[] = {
    {QUILLET_ERROR_FAILURE, 422},       {QUILLET_ERROR_INVALIDREQUEST, 422},    {QUILLET_ERROR_INVALIDTEXT, 422},
    {QUILLET_ERROR_INVALIDOPTION, 422}, {QUILLET_ERROR_UNSUPPORTEDFORMAT, 422}, {QUILLET_ERROR_NOTINSTALLED, 422},
    {QUILLET_ERROR_PASSWORD, 422},      {QUILLET_ERROR_CORRUPT, 422},           {QUILLET_ERROR_AUTOMATION, 422},
    {QUILLET_ERROR_FILESYSTEM, 422},    {QUILLET_ERROR_DEADLINE, 504},          {QUILLET_ERROR_APPLICATIONENDED, 503},
    {QUILLET_ERROR_FONTSMISSING, 422},
};

// The failures the library did not report, and the library's kinds for a
// code the table above does not know. A path outside the request's folder is
// the server's own fault (500): the names it gives cannot lead there.
constexpr struct {
  Failure kind;
  int status;
} kByKind[] = {
    {Failure::None, 422},   {Failure::Document, 422},   {Failure::Deadline, 504}, {Failure::OfficeEnded, 503},
    {Failure::Memory, 422}, {Failure::ResultSize, 422}, {Failure::Refused, 500},  {Failure::Worker, 503},
};

// The kinds the library's code decides.
bool Library(Failure kind) {
  return kind == Failure::None || kind == Failure::Document || kind == Failure::Deadline ||
         kind == Failure::OfficeEnded;
}

}  // namespace

int StatusOf(const Outcome& outcome) {
  if (Library(outcome.failure))
    for (const auto& row : kByCode)
      if (row.code == outcome.code) return row.status;
  for (const auto& row : kByKind)
    if (row.kind == outcome.failure) return row.status;
  return 500;
}

}  // namespace quillet::cli::serve
