// Printer queues. A Printer is an open connection to one named queue; it closes
// itself when it goes. A PrinterContext is an information context of one
// printer, which answers the driver's escapes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillet::os {

class Printer {
 public:
  Printer() = default;
  // Opens the queue called Name. Check IsOpen(); OpenError() tells why not.
  // On Windows this asks the spooler; on Linux it only remembers the name (the
  // print server is asked when a question comes, so opening never waits on it).
  explicit Printer(const std::string& name);
  ~Printer();
  Printer(Printer&& other) noexcept;
  Printer& operator=(Printer&& other) noexcept;
  Printer(const Printer&) = delete;
  Printer& operator=(const Printer&) = delete;

  bool IsOpen() const { return open_; }
  const std::string& Name() const { return name_; }
  // The system's error code of a failed open (0 after a successful one).
  uint32_t OpenError() const { return openError_; }
  // The spooler's handle on Windows; null when not open, and always null on
  // Linux, where the name is all there is.
  void* Handle() const { return handle_; }

 private:
  void Close();

  std::string name_;
  void* handle_ = nullptr;
  bool open_ = false;
  uint32_t openError_ = 0;
};

// Number of jobs in the printer's queue. When the queue cannot be read it
// returns false and sets Message to the system's text for the failure.
bool QueryPrinterJobCount(const Printer& printer, int& jobs, std::string& message);

// The installed printers, local and connected, by name, in the order the
// print spooler lists them. Windows: the spooler's list. Linux: the office's
// own PostScript queue (kOfficePostScriptQueue) first, then the queues of the
// CUPS server when one answers.
std::vector<std::string> InstalledPrinters();

// Linux: the queue through which the office applications print PostScript
// (a printer of the office's own configuration, written to a file). It holds
// no jobs: the office prints into the file before its PrintOut returns.
inline constexpr const char* kOfficePostScriptQueue = "LibreOffice PostScript";

// The escapes a printer driver is asked.
inline constexpr int kQueryEscSupport = 8;  // QUERYESCSUPPORT: input the 4-byte escape number
inline constexpr int kGetTechnology = 20;   // GETTECHNOLOGY: output the technology text

// An information context of one printer. Windows: CreateICA on the spooler's
// printer, and ExtEscape through the printer's driver. Linux: the office's
// own queue is a PostScript device; a CUPS queue is one when its PPD declares
// a PostScript interpreter and no filter (its driver knows no technology
// otherwise), and a queue whose PPD cannot be had has no context.
class PrinterContext {
 public:
  explicit PrinterContext(const std::string& printerName);
  ~PrinterContext();
  PrinterContext(const PrinterContext&) = delete;
  PrinterContext& operator=(const PrinterContext&) = delete;

  bool IsOpen() const { return open_; }
  // ExtEscape: greater than 0 when the driver did it, 0 when it does not know
  // the escape, less than 0 on failure (always when not open).
  int Escape(int escape, const void* input, int inputSize, void* output, int outputSize) const;

 private:
  bool open_ = false;
  void* dc_ = nullptr;      // Windows: the HDC
  std::string technology_;  // Linux: the technology the queue answers; empty: none
};

}  // namespace quillet::os
