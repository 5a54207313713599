// Converting one file through Word, Excel or PowerPoint: open the source in
// the application the converter holds, prepare it, save it in the destination
// format (or print it, "-1"), close it, and run the HTML post-steps that the
// option string asks for.
#pragma once

#include <string>

#include "procedures/ProcedureContext.h"

namespace quillet {

// AppName is "MS Word", "MS Excel" or "MS Powerpoint". The outcome is
// ErrorText: empty on success, otherwise the reason (the application's own
// description for an automation failure). A failure to close the document
// after a failed save, and a merged page that cannot be read, are not caught:
// they reach the caller as quillet::Error.
void ConvertOfficeDocument(TProcedureContext& context, const std::string& appName, const std::string& srcFile,
                           const std::string& destFile, const std::string& destFormat, const std::string& option,
                           std::string& errorText);

}  // namespace quillet
