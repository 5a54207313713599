// Excel.Application over LibreOffice Calc.
#include "common/ApplicationObject.h"
#include "excel/Excel.h"

namespace quillet::office::excel {

namespace {

class ExcelApplication : public ApplicationObject {
 public:
  ExcelApplication() : ApplicationObject("Microsoft Excel", uno::Module::Calc, BoolVariant(true)) {
    // Links are never updated on open: the prompt it governs never comes.
    Setting("AskToUpdateLinks", BoolVariant(true));
    Setting("EnableEvents", BoolVariant(true));
    Item("Workbooks", {}, [this](const CallArgs&, Result& r) {
      app()->office();
      r.Object(NewWorkbooks(app()));
    });
  }
};

}  // namespace

IDispatch* NewExcelApplication() { return new ExcelApplication; }

}  // namespace quillet::office::excel
