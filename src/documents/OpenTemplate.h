// Opening a document file kept beside the host program, or shipped beside
// the library (a macro template), read-only in an office application that
// already runs.
#pragma once

#include <string>

#include "platform/status.h"

#include "utilities/automation/Automation.h"

namespace quillet {

// Opens <folder of the host program's executable><TemplateName> in App, or,
// when there is no such file, <folder of the library><TemplateName>: a Word
// document for AppKind "word", a workbook for "excel", a presentation
// (without a window) for "powerpoint"; any other kind opens nothing and
// reports nothing. A file in neither folder fails with "templete <host
// program's folder><name> do not exist!" without any call, a refused open
// with the application's message. The document the application answers is handed
// to Opened when one is given.
Status OpenTemplate(const ole::Variant& app, const std::string& appKind, const std::string& templateName,
                    ole::Variant* opened = nullptr);

}  // namespace quillet
