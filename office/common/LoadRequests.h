// The load request for a file opened by one of the open rules.
#pragma once

#include <string>

#include "formats/OpenFormats.h"
#include "uno/Documents.h"

namespace quillet::office {

inline uno::LoadRequest LoadRequestFor(const std::string& path, uno::DocumentKind kind, const formats::OpenRule& rule) {
  uno::LoadRequest request;
  request.path = path;
  request.kind = kind;
  request.filter = rule.filter;
  request.filterOptions = rule.options;
  request.acceptedFilters = rule.accepted;
  request.signatures = rule.signatures;
  request.emptyFileAllowed = rule.emptyAllowed;
  return request;
}

}  // namespace quillet::office
