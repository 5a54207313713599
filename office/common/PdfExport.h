// What the stand-ins' ExportAsFixedFormat and PrintOut share: the range of
// pages (or slides) as LibreOffice takes it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "automation/Failure.h"

namespace quillet::office {

// "2-3" from the From and To arguments (a missing From is the first page, a
// missing To the last); empty when neither is given. Raises Failure "Value
// out of range" for a page below 1 or a To before From.
inline std::string PageRangeOf(std::optional<int32_t> from, std::optional<int32_t> to) {
  if (!from && !to) return {};
  if ((from && *from < 1) || (to && *to < 1) || (from && to && *to < *from)) throw Failure("Value out of range");
  return (from ? std::to_string(*from) : "1") + "-" + (to ? std::to_string(*to) : "");
}

}  // namespace quillet::office
