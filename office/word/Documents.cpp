// Word's Documents collection: Open loads a file into Writer, hidden and
// read-only, with the import that its extension (or the Format argument)
// names, and a PDF file into Draw through the PDF import; a wrong password or
// a damaged file fails at once instead of asking.
#include "automation/DispatchObject.h"
#include "automation/Failure.h"
#include "common/LoadRequests.h"
#include "formats/Encodings.h"
#include "formats/OpenFormats.h"
#include "uno/Documents.h"
#include "word/WordDoc.h"

namespace quillet::office::word {

namespace {

std::shared_ptr<WordDoc> Open(AppState& app, const CallArgs& a) {
  const std::optional<std::string> file = a.Text(0, "FileName");
  if (!file || file->empty()) throw Failure("A file name is needed.");
  const std::optional<int> format = a.Int(9, "Format");
  // A PDF file is opened as Word 2013 and later open it, unless a format is
  // named; the other ways in (the macro route, the format bridge) keep to
  // Writer's documents.
  formats::OpenRule rule = formats::LowerExtension(*file) == "pdf" && format.value_or(0) == 0
                               ? formats::PdfImportRule()
                               : formats::WordOpenRule(*file, format);
  // A text file in a code page the caller names (msoEncoding...).
  if (const auto encoding = a.Int(10, "Encoding"); encoding && rule.filter == "Text (encoded)") {
    rule.options = formats::CharsetName(*encoding) + ",CRLF,,,";
    rule.encoding = *encoding;
  }
  uno::LoadRequest request = LoadRequestFor(*file, uno::DocumentKind::Text, rule);
  if (const auto password = a.Text(4, "PasswordDocument")) {
    request.hasPassword = true;
    request.password = *password;
  }
  auto doc = std::make_shared<WordDoc>();
  doc->doc = std::make_shared<OpenDocument>(*file, uno::LoadDocument(app.OfficeForNewDocument(), request));
  doc->doc->openEncoding = rule.encoding;
  app.Opened(doc->doc);
  return doc;
}

class Documents : public DispatchObject {
 public:
  explicit Documents(std::shared_ptr<AppState> app) : DispatchObject(app->source()), app_(std::move(app)) {
    Method("Open",
           {"FileName", "ConfirmConversions", "ReadOnly", "AddToRecentFiles", "PasswordDocument", "PasswordTemplate",
            "Revert", "WritePasswordDocument", "WritePasswordTemplate", "Format", "Encoding", "Visible",
            "OpenAndRepair", "DocumentDirection", "NoEncodingDialog", "XMLTransform"},
           [this](const CallArgs& a, Result& r) { r.Object(NewDocument(app_, Open(*app_, a))); });
    Property("Count", [this](const CallArgs&, Result& r) { r.Int(static_cast<int32_t>(app_->Documents().size())); });
  }

 private:
  std::shared_ptr<AppState> app_;
};

}  // namespace

IDispatch* NewDocuments(std::shared_ptr<AppState> app) { return new Documents(std::move(app)); }

}  // namespace quillet::office::word
