// The PDF stage's waits for what printing produces, each bounded (see
// TPrintWaits): the calling thread keeps its message queue moving meanwhile.
#pragma once

#include <string>

#include "procedures/PrintWaits.h"

namespace quillet {

// Waits until PsFile exists. False with ErrorText naming the file and the
// printer when it has not appeared within the bound.
bool WaitForPostScriptFile(const std::string& psFile, const std::string& printer, const TPrintWaits& waits,
                           std::string& errorText);

// Waits while the printer's queue holds jobs. A printer that cannot be opened
// is not waited for; one whose queue cannot be read ends the wait after a
// message box with the system's reason. False with ErrorText naming the
// printer when jobs are still queued at the bound.
bool WaitForPrinterQueue(const std::string& printer, const TPrintWaits& waits, std::string& errorText);

}  // namespace quillet
