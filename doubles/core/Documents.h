// The collection an application opens its documents through (Word's
// Documents, Excel's Workbooks, PowerPoint's Presentations): Count and Open.
//
// Open takes the file name as its first parameter. A missing file fails as the
// application would; then the scripted dialog (if any) is raised and waited
// for; then a file named by the script's FailOpen fails with its description;
// else the document is made.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DispObject.h"
#include "Office.h"

namespace quillet::doubles {

// Makes the document object for the file at Path.
using DocumentMaker = std::function<DispObject*(std::shared_ptr<Session> session, const std::string& path)>;

class Documents : public DispObject {
 public:
  Documents(std::shared_ptr<Session> session, AppKind app, const std::string& name, std::vector<std::string> openParams,
            DocumentMaker make);

 private:
  HRESULT Open(const CallArgs& args, VARIANT* result);

  AppKind app_;
  DocumentMaker make_;
  int32_t opened_ = 0;
};

}  // namespace quillet::doubles
