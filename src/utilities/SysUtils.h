// System and file utilities: small stateless routines the conversion code calls.
#pragma once

#include <string>

namespace quillet {

// Cuts a keyword's value out of Text: from just after the first StartMarker up
// to (not including) the first EndMarker of the whole text. With
// WholeIfMissing, a missing marker gives the whole text back.
std::string ExtractBetween(const std::string& text, const std::string& startMarker, const std::string& endMarker,
                           bool wholeIfMissing);

}  // namespace quillet
