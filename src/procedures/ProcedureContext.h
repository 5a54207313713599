// What the conversion procedures may reach of the converter: the office
// applications it holds, the picture settings of a request, what PDF output
// keeps from one request to the next (the PostScript printer, the PDF maker
// and PDF document objects), and the bounds of their waits. The procedures
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
#include "utilities/Automation.h"

namespace quillet {

class TProcedureContext {
 public:
  // The applications the converter holds.
  virtual TOfficeApplications& Applications() = 0;
  // The Application object held for "MS Word", "MS Excel" or "MS Powerpoint".
  // Raises Error for any other name or an application that is not held.
  virtual const ole::Variant& OfficeApplication(const std::string& appName) const = 0;
  // The picture settings with the image keywords of Option applied; raises
  // Error for a malformed keyword value.
  virtual ImageSettings ImageSettingsFor(const std::string& option) const = 0;

  // The printer PDF output prints PostScript through: empty until the first
  // PDF conversion chooses one, then kept for the converter's life.
  virtual std::string& PostScriptPrinter() = 0;
  // The object that makes a PDF from a PostScript file (FileToPdf) and the one
  // that edits a PDF's document information (Open, SetInfo, Save, Close):
  // created on first use and kept. Raise Error naming what to install when
  // the object cannot be created; the next request tries again.
  virtual const ole::Variant& PdfMaker() = 0;
  virtual const ole::Variant& PdfDocument() = 0;
  // The bounds of the waits for the PostScript file and the printer's queue.
  virtual const TPrintWaits& PrintWaits() const = 0;
  // How long each wait for a web page in Internet Explorer may take on the
  // route without Word (milliseconds).
  virtual uint32_t PageWaitLimitMs() const = 0;

 protected:
  ~TProcedureContext() = default;
};

}  // namespace quillet
