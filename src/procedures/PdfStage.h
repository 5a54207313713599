// The PDF stage of an Office conversion (destination format "-1"): the
// document is printed to a PostScript file through a PostScript printer, and
// the file is made into the PDF by the Ghostscript library ("USEGSDLL") or by
// the PDF maker, which is then followed by the document's title, subject,
// author and keywords written into the PDF.
#pragma once

#include <string>

#include "procedures/OfficeSteps.h"
#include "procedures/ProcedureContext.h"

namespace quillet {

// The stage's failure comes back. However it fails, also by an error it lets
// go to the caller, it leaves nothing behind: the document is closed,
// the application's alerts, link prompts and printer are as they were, and
// no PostScript file stays.
Status PrintToPdf(TOfficeSteps& steps, TProcedureContext& context, const TOfficeRequest& request);

// The temporary PostScript file for DestFile: the file name of DestFile with
// the extension ".ps" in the temporary folder, or beside DestFile when the
// system names no temporary folder.
std::string PostScriptFileFor(const std::string& destFile);

}  // namespace quillet
