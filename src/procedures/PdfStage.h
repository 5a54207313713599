// The PDF stage of an Office conversion (destination format "-1"): the
// document is printed to a PostScript file and made into a PDF.
#pragma once

#include <string>

#include "procedures/OfficeSteps.h"

namespace quillet {

void PrintToPdf(TOfficeSteps& steps, const TOfficeRequest& request, std::string& errorText);

}  // namespace quillet
