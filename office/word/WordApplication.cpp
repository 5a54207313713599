// Word.Application over LibreOffice Writer.
#include "common/ApplicationObject.h"
#include "common/Printing.h"
#include "word/WordDoc.h"

namespace quillet::office::word {

namespace {

class WordApplication : public ApplicationObject {
 public:
  // DisplayAlerts is a WdAlertLevel: -1 (all alerts) until told otherwise.
  WordApplication() : ApplicationObject("Microsoft Word", uno::Module::Writer, IntVariant(-1)) {
    Item("Documents", {}, [this](const CallArgs&, Result& r) {
      app()->office();
      r.Object(NewDocuments(app()));
    });
    // The printer documents print through; only a printer the office knows
    // can be made active.
    Property(
        "ActivePrinter",
        [this](const CallArgs&, Result& r) {
          r.Text(app()->activePrinter.empty() ? kDefaultPrinter : app()->activePrinter);
        },
        [this](const CallArgs& a) {
          const std::string name = a.PutText();
          CheckPrinter(app()->office(), name);
          app()->activePrinter = name;
        });
    Item("FileConverters", {}, [this](const CallArgs&, Result& r) {
      app()->office();
      r.Object(NewFileConverters(app()));
    });
  }
};

}  // namespace

IDispatch* NewWordApplication() { return new WordApplication; }

}  // namespace quillet::office::word
