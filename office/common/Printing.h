// Printing a document of the office to a file, in PostScript.
//
// LibreOffice writes PostScript for a printer of its own configuration
// (psprint.conf in the user's profile) that is set to PostScript level 2 and
// not to PDF; printed with a file name, the job goes into that file. The
// queue the converter chooses on Linux, "LibreOffice PostScript", is such a
// printer: it is added to the profile of the office in use (one of ours, or
// one the user started) the first time something is printed. LibreOffice
// reads its printer configuration again when the file changes.
#pragma once

#include <string>
#include <vector>

#include "common/AppState.h"
#include "uno/Office.h"

namespace quillet::office {

// LibreOffice's own default printer, which Word's ActivePrinter starts as.
inline constexpr const char* kDefaultPrinter = "Generic Printer";

// The printers the office knows, with the PostScript queue among them.
std::vector<std::string> OfficePrinters(uno::Office& office);

// Raises Failure "The printer \"<name>\" is not installed" for a name the
// office does not know.
void CheckPrinter(uno::Office& office, const std::string& name);

struct PrintJob {
  std::string printer;
  std::string file;        // empty: to the printer itself
  bool landscape = false;  // landscape paper; else the paper each page asks for
  std::string pages;       // the pages to print ("2-3"); empty: all
};

// Prints the document (the pages of the job) and returns once the job is done; raises Failure
// when the printer is not installed or the file was not written.
void PrintDocument(uno::Office& office, const OpenDocument& document, const PrintJob& job);

}  // namespace quillet::office
