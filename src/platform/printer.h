// Printer queues. A Printer is an open connection to one named queue; it closes
// itself when it goes.
#pragma once

#include <cstdint>
#include <string>

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

}  // namespace quillet::os
