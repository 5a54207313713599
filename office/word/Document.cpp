// A Word document over a Writer model.
#include <com/sun/star/beans/XPropertySet.hpp>

#include "automation/DispatchObject.h"
#include "automation/Failure.h"
#include "common/DocumentProperties.h"
#include "formats/Encodings.h"
#include "word/WordDoc.h"

namespace quillet::office::word {

namespace {

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

uno::Reference<uno::css::beans::XPropertySet> ModelProperties(const WordDoc& doc) {
  return uno::Reference<uno::css::beans::XPropertySet>(doc.doc->Model(), uno::UNO_QUERY_THROW);
}

// What a document's Application offers the macro route: Run, in the
// document's own application.
class MacroHost : public DispatchObject {
 public:
  explicit MacroHost(std::shared_ptr<AppState> app) : DispatchObject(app->source()), app_(std::move(app)) {
    Method("Run", {"MacroName"},
           [this](const CallArgs& a, Result&) { RunMacro(*app_, a.Text(0, "MacroName").value_or("")); });
  }

 private:
  std::shared_ptr<AppState> app_;
};

IDispatch* NewMacroHost(std::shared_ptr<AppState> app) { return new MacroHost(std::move(app)); }

class Document : public DispatchObject {
 public:
  Document(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc)
      : DispatchObject(app->source()), app_(std::move(app)), doc_(std::move(doc)) {
    Property("Name", [this](const CallArgs&, Result& r) { r.Text(BaseName(doc_->doc->path)); });
    Property("FullName", [this](const CallArgs&, Result& r) { r.Text(doc_->doc->path); });
    Method("Close", {"SaveChanges", "OriginalFormat", "RouteDocument"}, [this](const CallArgs&, Result&) {
      doc_->doc->Model();
      doc_->doc->Close();
    });
    Method("Activate", {}, [this](const CallArgs&, Result&) { doc_->doc->Model(); });
    Item("Application", {}, [this](const CallArgs&, Result& r) { r.Object(NewMacroHost(app_)); });
    Method("SaveAs", kSaveAsParams, [this](const CallArgs& a, Result&) { SaveAs(*app_, *doc_, a); });
    Method("SaveAs2", kSaveAsParams, [this](const CallArgs& a, Result&) { SaveAs(*app_, *doc_, a); });
    Method("ExportAsFixedFormat", kExportParams,
           [this](const CallArgs& a, Result&) { ExportAsFixedFormat(*app_, *doc_, a); });
    Item("BuiltInDocumentProperties", {"Index"}, [this](const CallArgs& a, Result& r) {
      doc_->doc->Model();
      if (const VARIANT* index = a.Find(0, "Index"))
        r.Object(NewDocumentProperty(app_, doc_->doc, *index));
      else
        r.Object(NewDocumentProperties(app_, doc_->doc));
    });
    Item("Hyperlinks", {}, [this](const CallArgs&, Result& r) { r.Object(NewHyperlinks(app_, doc_)); });
    Item("InlineShapes", {}, [this](const CallArgs&, Result& r) { r.Object(NewInlineShapes(app_, doc_)); });
    Item("Characters", {}, [this](const CallArgs&, Result& r) { r.Object(NewCharacters(app_, doc_)); });
    Item("PageSetup", {}, [this](const CallArgs&, Result& r) {
      doc_->doc->Model();
      r.Object(NewPageSetup(app_, doc_));
    });
    Method("PrintOut", kPrintOutParams, [this](const CallArgs& a, Result&) { PrintOut(*app_, *doc_, a); });
    Revision("TrackRevisions", "RecordChanges");
    Revision("ShowRevisions", "ShowChanges");
    // Printing is not this stand-in's business yet: the setting is kept.
    Property(
        "PrintRevisions", [this](const CallArgs&, Result& r) { r.Bool(doc_->printRevisions); },
        [this](const CallArgs& a) { doc_->printRevisions = a.PutBool(); });
    Property("OpenEncoding", [this](const CallArgs&, Result& r) { r.Int(doc_->OpenEncoding()); });
    Property(
        "SaveEncoding",
        [this](const CallArgs&, Result& r) { r.Int(doc_->saveEncoding.value_or(doc_->OpenEncoding())); },
        [this](const CallArgs& a) {
          const int codePage = a.PutInt();
          formats::CharsetName(codePage);  // refuses a code page that cannot be written
          doc_->saveEncoding = codePage;
        });
    Property("Saved", [](const CallArgs&, Result& r) { r.Bool(true); });
  }

 private:
  // A Word revision setting over a Writer document property.
  void Revision(const std::string& name, const char* property) {
    Property(
        name,
        [this, property](const CallArgs&, Result& r) {
          bool on = false;
          ModelProperties(*doc_)->getPropertyValue(uno::OUString::createFromAscii(property)) >>= on;
          r.Bool(on);
        },
        [this, property](const CallArgs& a) {
          ModelProperties(*doc_)->setPropertyValue(uno::OUString::createFromAscii(property), uno::Any(a.PutBool()));
        });
  }

  std::shared_ptr<AppState> app_;
  std::shared_ptr<WordDoc> doc_;
};

}  // namespace

int WordDoc::OpenEncoding() const {
  // A document that is not plain text has no code page of its own: Word
  // reports the system's ANSI code page for it, Western European here. (A
  // Unicode value would keep "-3" from ever choosing a Chinese code page.)
  return doc->openEncoding ? doc->openEncoding : formats::kWestern;
}

IDispatch* NewDocument(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc) {
  return new Document(std::move(app), std::move(doc));
}

}  // namespace quillet::office::word
