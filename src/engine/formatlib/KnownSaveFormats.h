// Extensions for destination format codes that the converter's format table
// does not hold: the system's own codes, and the save-format numbers of Word,
// Excel and PowerPoint that the Linux stand-ins write. A folder run needs an
// extension for every result it names.
#pragma once

#include <optional>
#include <string>

#include "utilities/ApplicationTable.h"

namespace quillet {

// The extension (".pdf", ".txt", ...) of Code, compared as whole text: first
// the system's own codes (-1 .pdf, -2 .doc, -3 to -6 and 9999 .txt), then the
// save-format numbers of App (Excel and PowerPoint have their own; every
// other application, or none, means Word, which also serves the route without
// Word). Empty when neither knows the code.
std::string KnownSaveFormatExt(std::optional<TApplication> app, const std::string& code);

}  // namespace quillet
