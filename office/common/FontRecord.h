// What the applications tell of the fonts of the last document they opened:
// each family the document asks for that the machine lacks, with the family
// that stood in for it, and whether that one has the same metrics (Carlito
// for Calibri: line breaks and page counts are kept) or is a fallback of other
// metrics (the layout changes).
//
// Font names come from the document: the record holds no control characters,
// and bounds the length of a name and the number of entries.
#pragma once

#include <string>
#include <vector>

#include "uno/FontMapping.h"

namespace quillet::office {

struct FontSubstitution {
  std::string requested;
  std::string used;
  bool sameMetrics = false;
};

// The bounds of the record.
inline constexpr size_t kMaxFontNameBytes = 128;
inline constexpr size_t kMaxSubstitutions = 64;

// The document's replaced families from the office's record, in the order
// first met: the office's own interface font list (names joined by ';'),
// fonts used as asked and repeats of a family are left out.
std::vector<FontSubstitution> Substitutions(const std::vector<uno::FontMappingUse>& record);

// True when Used is a metric-compatible substitute of Requested (by a short
// table of known pairs; names compared without regard to case).
bool SameMetrics(const std::string& requested, const std::string& used);

// "Requested=Used", one a line / the requested families of the fallbacks of
// other metrics, one a line; empty when there are none.
std::string SubstitutedFontsText(const std::vector<FontSubstitution>& substitutions);
std::string FallbackFontsText(const std::vector<FontSubstitution>& substitutions);

}  // namespace quillet::office
