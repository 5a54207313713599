// The PDF stage's waits for what printing produces, each bounded (see
// TPrintWaits): the calling thread keeps its message queue moving meanwhile.
#pragma once

#include <string>

#include "platform/status.h"
#include "procedures/PrintWaits.h"

namespace quillet {

// Waits until PsFile exists. A failure naming the file and the printer when
// it has not appeared within the bound.
Status WaitForPostScriptFile(const std::string& psFile, const std::string& printer, const TPrintWaits& waits);

// Waits while the printer's queue holds jobs. A printer that cannot be opened
// is not waited for; one whose queue cannot be read ends the wait after a
// message box with the system's reason. A failure naming the printer when
// jobs are still queued at the bound.
Status WaitForPrinterQueue(const std::string& printer, const TPrintWaits& waits);

}  // namespace quillet
