// An Excel workbook: the shared document members and Title (the same value as
// its built-in Title property); SaveAs as a web page (format 44) writes one
// page per scripted sheet; Worksheets, the scripted sheets with the
// orientation of each one's page setup.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Document.h"
#include "Values.h"

namespace quillet::doubles {

class ExcelWorkbook : public Document {
 public:
  ExcelWorkbook(std::shared_ptr<Session> session, const std::string& path);

  // Workbooks.Open's parameters, in Excel's order.
  static const std::vector<std::string>& OpenParams();

 protected:
  void Save(const CallArgs& args, const std::string& dest, int32_t format) override;

 private:
  std::vector<Stored> orientations_;
};

}  // namespace quillet::doubles
