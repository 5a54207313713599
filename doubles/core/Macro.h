// The macro of the macro-driven route, as the template document of each
// application double holds it, and the application's view of its active
// document. doubles/control/DoubleControl.h describes what the macro does.
#pragma once

#include <memory>
#include <string>

#include "DispObject.h"
#include "Office.h"

namespace quillet::doubles {

// Runs the macro Name for the application Kind; the failure's description,
// empty when it ran.
std::string RunMacro(Session& session, AppKind kind, const std::string& name);

// The active document, workbook or presentation: FullName and Close (which
// leaves no document active).
class ActiveDocument : public DispObject {
 public:
  ActiveDocument(std::shared_ptr<Session> session, AppKind kind, const std::string& name);
};

}  // namespace quillet::doubles
