// The four routes a request is handed to once its application runs. Each
// returns its outcome: success, or the failure's code and reason. What a
// route lets escape reaches the dispatcher's caller as quillet::Error.
//
// Thread-safety: the converter's thread only.
#pragma once

#include <string>

#include "procedures/OfficeProcedure.h"
#include "procedures/ProcedureContext.h"

namespace quillet {

// The macro route: a macro kept in a template document converts the file
// inside Word, Excel or PowerPoint (Word for every other application name).
Status ConvertWithMacro(TProcedureContext& context, TApplication app, const TConversionRequest& request);
// The Acrobat route: the plug-in bridge converts the file inside Acrobat.
Status ConvertWithAcrobat(TProcedureContext& context, const TConversionRequest& request);
// The route without Word: the format library, or Internet Explorer for a web
// page that is to become text.
Status ConvertWithoutWord(TProcedureContext& context, const TConversionRequest& request);

}  // namespace quillet
