// Turning a PostScript file into PDF with the Ghostscript library. The
// library is loaded on first use and kept for the life of the process; two
// conversions must not run at the same time.
#pragma once

#include <string>

#include "platform/status.h"

#include "platform/ghostscript.h"

namespace quillet {

// True once the library is loaded and its five entry points bound.
bool GhostscriptLoaded();

// Loads the library and binds the entry points (a missing one counts as a
// library that cannot be loaded). False on failure; the next call tries again.
bool LoadGhostscript();

// Runs Ghostscript's pdfwrite on PsPath into PdfPath. Success when every call
// succeeded; else the failure's message ("Can not load gsdll32.dll!", "Can
// not init gsdll32.dll!", ...; an exit that fails: the PDF is not clean).
Status PsToPdfByGhostscript(const std::string& psPath, const std::string& pdfPath);

// The message callback given to the library: answers every message with 0.
int QUILLET_LIBRARY_CALL GhostscriptCallback(int message, char* text, unsigned long length);

}  // namespace quillet
