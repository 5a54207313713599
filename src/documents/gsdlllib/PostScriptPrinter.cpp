#include "documents/gsdlllib/PostScriptPrinter.h"

#include <cstdint>
#include <cstring>

#include "platform/printer.h"
#include "utilities/Guarded.h"
#include "utilities/Strings.h"

namespace quillet {

bool IsPostScriptPrinter(const os::PrinterContext& dc) {
  const int32_t escape = os::kGetTechnology;
  if (dc.Escape(os::kQueryEscSupport, &escape, sizeof escape, nullptr, 0) <= 0) return false;
  char technology[256] = {};
  if (dc.Escape(os::kGetTechnology, nullptr, 0, technology, sizeof technology) <= 0) return false;
  technology[sizeof technology - 1] = '\0';
  return UpperCase(technology).find("POSTSCRIPT") != std::string::npos;
}

void FindPostScriptPrinter(std::string& printerName) {
  printerName.clear();
  const std::vector<std::string> printers = os::InstalledPrinters();
  for (const std::string& name : printers) {
    if (LowerCase(name) == "hp color laserjet 4600 ps") {
      printerName = LowerCase(name);
      return;
    }
  }
  for (const std::string& name : printers) {
    bool postScript = false;
    Ignoring([&] {
      const os::PrinterContext dc(name);
      postScript = dc.IsOpen() && IsPostScriptPrinter(dc);
    });
    if (!postScript) continue;
    printerName = name;
    if (name != "Acrobat Distiller" && name != "Acrobat PDFWriter") return;
  }
}

}  // namespace quillet
