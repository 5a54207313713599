// The fonts replaced in a request's documents as the service tells them: the
// answer's header Quillet-Substituted-Fonts. Font names come from the
// documents, so nothing of a name reaches the header unescaped.
#pragma once

#include <string>
#include <vector>

#include "Library.h"

namespace quillet::cli::serve {

inline constexpr const char* kSubstitutedFontsHeader = "Quillet-Substituted-Fonts";
// The bound of the header's value, in bytes.
inline constexpr size_t kMaxFontsHeaderBytes = 2048;

// "Calibri=Carlito, Quillet Missing Sans=DejaVu Sans": each name's bytes
// outside printable ASCII, and "%", "," and "=", written as %XX; entries that
// would pass the bound are left out whole.
std::string FontsHeaderValue(const std::vector<SubstitutedFont>& fonts);

// Adds the fonts of From not yet in To (by their requested family).
void AddFonts(std::vector<SubstitutedFont>& to, const std::vector<SubstitutedFont>& from);

}  // namespace quillet::cli::serve
