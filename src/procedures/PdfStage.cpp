#include "procedures/PdfStage.h"

namespace quillet {

void PrintToPdf(TOfficeSteps& steps, const TOfficeRequest&, std::string& errorText) {
  // Printing to PostScript and turning the result into PDF are not part of
  // this build yet. The request fails with a text that says so, rather than
  // leaving a document behind or reporting a PDF that was never made.
  steps.CloseAfterFailure();
  errorText =
      "PDF output (destination format -1) is not available in this build: it needs the PostScript "
      "printing stage and a PDF maker";
}

}  // namespace quillet
