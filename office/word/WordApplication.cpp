// Word.Application over LibreOffice Writer.
#include "automation/Failure.h"
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
    Method("Run", {"MacroName"},
           [this](const CallArgs& a, Result&) { RunMacro(*app(), a.Text(0, "MacroName").value_or("")); });
    // The document opened last that is still open.
    Item("ActiveDocument", {}, [this](const CallArgs&, Result& r) {
      const auto documents = app()->Documents();
      for (auto d = documents.rbegin(); d != documents.rend(); ++d) {
        if ((*d)->closed()) continue;
        auto doc = std::make_shared<WordDoc>();
        doc->doc = *d;
        r.Object(NewDocument(app(), doc));
        return;
      }
      throw Failure("This command is not available because no document is open.");
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
