#include "documents/gsdlllib/PostScriptPrinter.h"

#include <cstdint>
#include <cstring>

#include "platform/printer.h"
#include "utilities/Guarded.h"

namespace quillet {

namespace {

// Only the letters A to Z change case, whatever the code page.
std::string AsciiLower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string AsciiUpper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

}  // namespace

bool IsPostScriptPrinter(const os::PrinterContext& dc) {
  const int32_t escape = os::kGetTechnology;
  if (dc.Escape(os::kQueryEscSupport, &escape, sizeof escape, nullptr, 0) <= 0) return false;
  char technology[256] = {};
  if (dc.Escape(os::kGetTechnology, nullptr, 0, technology, sizeof technology) <= 0) return false;
  technology[sizeof technology - 1] = '\0';
  return AsciiUpper(technology).find("POSTSCRIPT") != std::string::npos;
}

void FindPostScriptPrinter(std::string& printerName) {
  printerName.clear();
  const std::vector<std::string> printers = os::InstalledPrinters();
  for (const std::string& name : printers) {
    if (AsciiLower(name) == "hp color laserjet 4600 ps") {
      printerName = AsciiLower(name);
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
