// What the doubles print: a print to a file writes a small PostScript file
// of one page naming the application, the document and the printer, in
// landscape when asked (or, as the script says, nothing, or bytes that are
// no PostScript).
#pragma once

#include <string>

#include "Script.h"

namespace quillet::doubles {

// Writes the print of the document at Source through Printer into File;
// raises Error "The file could not be saved: <File>" when it cannot.
void WritePrint(const Script& script, const std::string& app, const std::string& source, const std::string& printer,
                bool landscape, const std::string& file);

// A small PDF of one page (PDF 1.4, with its cross-reference table) whose
// page shows Text; the PDF maker and Ghostscript doubles write it.
std::string SmallPdf(const std::string& text);

}  // namespace quillet::doubles
