#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <vector>

#include "platform/fs.h"
#include "platform/printer.h"

namespace quillet::os {

Printer::Printer(const std::string& name) : name_(name) {
  // An empty name would open the print server itself, which is no queue.
  if (name.empty()) {
    openError_ = ERROR_INVALID_PRINTER_NAME;
    return;
  }
  HANDLE h = nullptr;
  if (::OpenPrinterA(const_cast<char*>(name.c_str()), &h, nullptr)) {
    handle_ = h;
    open_ = true;
  } else {
    openError_ = ::GetLastError();
  }
}

void Printer::Close() {
  if (open_) ::ClosePrinter(static_cast<HANDLE>(handle_));
  open_ = false;
  handle_ = nullptr;
}

bool QueryPrinterJobCount(const Printer& printer, int& jobs, std::string& message) {
  if (!printer.IsOpen()) {
    message = SysErrorMessage(ERROR_INVALID_HANDLE);
    return false;
  }
  const HANDLE h = static_cast<HANDLE>(printer.Handle());
  // The first call only asks for the size of the record with its strings.
  DWORD needed = 0;
  ::GetPrinterA(h, 2, nullptr, 0, &needed);
  std::vector<unsigned long long> buffer((std::max<DWORD>(needed, sizeof(PRINTER_INFO_2A)) + 7) / 8);
  if (!::GetPrinterA(h, 2, reinterpret_cast<BYTE*>(buffer.data()), buffer.size() * 8, &needed)) {
    message = SysErrorMessage(::GetLastError());
    return false;
  }
  jobs = static_cast<int>(reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data())->cJobs);
  return true;
}

}  // namespace quillet::os

namespace quillet::os {

std::vector<std::string> InstalledPrinters() {
  const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  DWORD needed = 0, count = 0;
  ::EnumPrintersA(flags, nullptr, 4, nullptr, 0, &needed, &count);
  if (needed == 0) return {};
  std::vector<unsigned long long> buffer((needed + 7) / 8);
  if (!::EnumPrintersA(flags, nullptr, 4, reinterpret_cast<BYTE*>(buffer.data()), buffer.size() * 8, &needed, &count))
    return {};
  const auto* info = reinterpret_cast<const PRINTER_INFO_4A*>(buffer.data());
  std::vector<std::string> names;
  for (DWORD i = 0; i < count; ++i)
    if (info[i].pPrinterName) names.emplace_back(info[i].pPrinterName);
  return names;
}

PrinterContext::PrinterContext(const std::string& printerName) {
  if (printerName.empty()) return;
  if (HDC dc = ::CreateICA("WINSPOOL", printerName.c_str(), nullptr, nullptr)) {
    dc_ = dc;
    open_ = true;
  }
}

PrinterContext::~PrinterContext() {
  if (dc_) ::DeleteDC(static_cast<HDC>(dc_));
}

int PrinterContext::Escape(int escape, const void* input, int inputSize, void* output, int outputSize) const {
  if (!open_) return -1;
  return ::ExtEscape(static_cast<HDC>(dc_), escape, inputSize, static_cast<LPCSTR>(input), outputSize,
                     static_cast<LPSTR>(output));
}

}  // namespace quillet::os
