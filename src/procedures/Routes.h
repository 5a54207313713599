// The four routes a request is handed to once its application runs. Each sets
// ErrorText itself: empty on success, otherwise the reason. What a route lets
// escape reaches the dispatcher's caller as quillet::Error.
//
// Thread-safety: the converter's thread only.
#pragma once

#include <string>

#include "procedures/OfficeProcedure.h"
#include "procedures/ProcedureContext.h"

namespace quillet {

// The macro route: a macro kept in a template document converts the file
// inside Word, Excel or PowerPoint (Word for every other application name).
void ConvertWithMacro(TProcedureContext& context, const std::string& appName, const std::string& src,
                      const std::string& dest, const std::string& destFormat, const std::string& option,
                      std::string& errorText);
// The Acrobat route: the plug-in bridge converts the file inside Acrobat.
void ConvertWithAcrobat(TProcedureContext& context, const std::string& src, const std::string& dest,
                        const std::string& destFormat, const std::string& option, std::string& errorText);
// The route without Word: the format library, or Internet Explorer for a web
// page that is to become text.
void ConvertWithoutWord(TProcedureContext& context, const std::string& src, const std::string& dest,
                        const std::string& destFormat, const std::string& option, std::string& errorText);

}  // namespace quillet
