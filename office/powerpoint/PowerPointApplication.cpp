// PowerPoint.Application over LibreOffice Impress.
#include "common/ApplicationObject.h"
#include "powerpoint/PowerPoint.h"

namespace quillet::office::powerpoint {

namespace {

class PowerPointApplication : public ApplicationObject {
 public:
  // DisplayAlerts is a PpAlertLevel: 2 (all alerts).
  PowerPointApplication() : ApplicationObject("Microsoft PowerPoint", uno::Module::Impress, IntVariant(2)) {
    Item("Presentations", {}, [this](const CallArgs&, Result& r) {
      app()->office();
      r.Object(NewPresentations(app()));
    });
  }
};

}  // namespace

IDispatch* NewPowerPointApplication() { return new PowerPointApplication; }

}  // namespace quillet::office::powerpoint
