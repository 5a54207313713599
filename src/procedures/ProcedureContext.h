// What the conversion procedures may reach of the converter: the office
// applications it holds (with the PDF maker and PDF document objects), the
// picture settings of a request, the PostScript printer that PDF output keeps
// from one request to the next, and the bounds of their waits. The procedures
// start no application themselves, except Word for the macro route's
// templates, and quit none.
//
// Thread-safety: the converter's thread only.
#pragma once

#include <cstdint>
#include <string>

#include "applications/OfficeApplications.h"
#include "imaging/ImageSettings.h"
#include "procedures/PrintWaits.h"
#include "utilities/automation/Automation.h"

namespace quillet {

// The fonts an application replaced in the document it converted last, as the
// library's own servers tell them (Office on Windows lays out with the
// machine's fonts and tells none).
struct TSubstitutedFonts {
  // "Requested=Used", one a line.
  std::string Substituted;
  // The requested families whose stand-in has other metrics, one a line.
  std::string Fallbacks;
};

class TProcedureContext {
 public:
  // The applications the converter holds.
  virtual TOfficeApplications& Applications() = 0;
  // The picture settings with the image keywords of Option applied; raises
  // Error for a malformed keyword value.
  virtual ImageSettings ImageSettingsFor(const std::string& option) const = 0;

  // The printer PDF output prints PostScript through: empty until the first
  // PDF conversion chooses one, then kept for the converter's life.
  virtual std::string& PostScriptPrinter() = 0;
  // The bounds of the waits for the PostScript file and the printer's queue.
  virtual const TPrintWaits& PrintWaits() const = 0;
  // How long each wait for a web page in Internet Explorer may take on the
  // route without Word (milliseconds).
  virtual uint32_t PageWaitLimitMs() const = 0;
  // Keeps the fonts of the request's document, for the caller to ask after it.
  virtual void RecordSubstitutedFonts(TSubstitutedFonts fonts) = 0;

 protected:
  ~TProcedureContext() = default;
};

}  // namespace quillet
