// PowerPoint's Presentations: Open loads a file into Impress, hidden and
// read-only. PowerPoint's Open takes no password: a protected file fails as
// one whose password was refused.
#include "automation/DispatchObject.h"
#include "automation/Failure.h"
#include "common/LoadRequests.h"
#include "formats/OpenFormats.h"
#include "powerpoint/PowerPoint.h"
#include "uno/Documents.h"

namespace quillet::office::powerpoint {

namespace {

std::shared_ptr<OpenDocument> Open(AppState& app, const CallArgs& a) {
  const std::optional<std::string> file = a.Text(0, "FileName");
  if (!file || file->empty()) throw Failure("A file name is needed.");
  const formats::OpenRule rule = formats::PowerPointOpenRule(*file);
  uno::LoadRequest request = LoadRequestFor(*file, uno::DocumentKind::Presentation, rule);
  auto deck = std::make_shared<OpenDocument>(*file, uno::LoadDocument(app.OfficeForNewDocument(), request));
  app.Opened(deck);
  return deck;
}

class Presentations : public DispatchObject {
 public:
  explicit Presentations(std::shared_ptr<AppState> app) : DispatchObject(app->source()), app_(std::move(app)) {
    Method("Open", {"FileName", "ReadOnly", "Untitled", "WithWindow"},
           [this](const CallArgs& a, Result& r) { r.Object(NewPresentation(app_, Open(*app_, a))); });
    Property("Count", [this](const CallArgs&, Result& r) { r.Int(static_cast<int32_t>(app_->Documents().size())); });
  }

 private:
  std::shared_ptr<AppState> app_;
};

}  // namespace

IDispatch* NewPresentations(std::shared_ptr<AppState> app) { return new Presentations(std::move(app)); }

}  // namespace quillet::office::powerpoint
