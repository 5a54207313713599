// Word.Application over LibreOffice Writer.
#include "common/ApplicationObject.h"
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
    Item("FileConverters", {}, [this](const CallArgs&, Result& r) {
      app()->office();
      r.Object(NewFileConverters(app()));
    });
  }
};

}  // namespace

IDispatch* NewWordApplication() { return new WordApplication; }

}  // namespace quillet::office::word
