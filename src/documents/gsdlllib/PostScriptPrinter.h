// Choosing the printer that PDF output prints PostScript through.
#pragma once

#include <string>

namespace quillet {

namespace os {
class PrinterContext;
}

// True when the printer's driver supports GETTECHNOLOGY and the technology
// it gives contains "POSTSCRIPT" (letters compared without regard to case).
bool IsPostScriptPrinter(const os::PrinterContext& dc);

// The PostScript printer to print through, or empty when there is none: a
// printer named "hp color laserjet 4600 ps" (letters compared without regard
// to case; handed back in lower case) wins at once; otherwise the first
// PostScript printer that is neither "Acrobat Distiller" nor "Acrobat
// PDFWriter", else the last of those two met. Printers are taken in the
// spooler's order; one whose driver cannot be asked is no PostScript printer.
void FindPostScriptPrinter(std::string& printerName);

}  // namespace quillet
