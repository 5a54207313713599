// Converting one file through Word, Excel or PowerPoint: open the source in
// the application the converter holds, prepare it, save it in the destination
// format (or print it, "-1"), close it, and run the HTML post-steps that the
// option string asks for.
#pragma once

#include <string>

#include "engine/options/Request.h"
#include "platform/status.h"
#include "procedures/ProcedureContext.h"
#include "utilities/ApplicationTable.h"

namespace quillet {

// App is Word, Excel or PowerPoint. The outcome is the failure's code and
// reason (the application's own description for an automation failure), or
// success. A failure to close the document after a failed save, and a merged
// page that cannot be read, are not caught: they reach the caller as
// quillet::Error.
Status ConvertOfficeDocument(TProcedureContext& context, TApplication app, const TConversionRequest& request);

}  // namespace quillet
