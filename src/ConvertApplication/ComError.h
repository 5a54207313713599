// Failures of the automation methods as COM reports them: a failing HRESULT,
// and an error object (SetErrorInfo) whose description is the message, so a
// script sees it as Err.Description and a compiled client through
// GetErrorInfo.
#pragma once

#include <string>

#include "ConvertApplication/AutomationTypes.h"

namespace quillet::comserver {

// Makes Message (a library string) the calling thread's error object for a
// failure of interface Iid raised by Source, and returns Code. Never throws:
// when the error object cannot be made, the code alone still tells the caller.
HRESULT ReturnComError(HRESULT code, REFIID iid, const std::string& source, const std::string& message) noexcept;

// The same with the system's text for Code as the message ("OLE error" and
// the code in hexadecimal when the system has none).
HRESULT ReturnComError(HRESULT code, REFIID iid, const std::string& source) noexcept;

}  // namespace quillet::comserver
