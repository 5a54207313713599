// Excel's Workbooks: Open loads a file into Calc, hidden and read-only.
#include "automation/DispatchObject.h"
#include "automation/Failure.h"
#include "common/LoadRequests.h"
#include "excel/Excel.h"
#include "formats/OpenFormats.h"
#include "uno/Documents.h"

namespace quillet::office::excel {

namespace {

std::shared_ptr<OpenDocument> Open(AppState& app, const CallArgs& a) {
  const std::optional<std::string> file = a.Text(0, "Filename");
  if (!file || file->empty()) throw Failure("A file name is needed.");
  const formats::OpenRule rule = formats::ExcelOpenRule(*file);
  uno::LoadRequest request = LoadRequestFor(*file, uno::DocumentKind::Spreadsheet, rule);
  if (const auto password = a.Text(4, "Password")) {
    request.hasPassword = true;
    request.password = *password;
  }
  auto book = std::make_shared<OpenDocument>(*file, uno::LoadDocument(app.OfficeForNewDocument(), request));
  app.Opened(book);
  return book;
}

class Workbooks : public DispatchObject {
 public:
  explicit Workbooks(std::shared_ptr<AppState> app) : DispatchObject(app->source()), app_(std::move(app)) {
    Method(
        "Open",
        {"Filename", "UpdateLinks", "ReadOnly", "Format", "Password", "WriteResPassword", "IgnoreReadOnlyRecommended",
         "Origin", "Delimiter", "Editable", "Notify", "Converter", "AddToMru", "Local", "CorruptLoad"},
        [this](const CallArgs& a, Result& r) { r.Object(NewWorkbook(app_, Open(*app_, a))); });
    Property("Count", [this](const CallArgs&, Result& r) { r.Int(static_cast<int32_t>(app_->Documents().size())); });
  }

 private:
  std::shared_ptr<AppState> app_;
};

}  // namespace

IDispatch* NewWorkbooks(std::shared_ptr<AppState> app) { return new Workbooks(std::move(app)); }

}  // namespace quillet::office::excel
