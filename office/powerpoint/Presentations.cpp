// PowerPoint's Presentations: Open loads a file into Impress, hidden and
// read-only. PowerPoint's Open has no password argument: the password comes
// with the file name, "name::password::"; a protected file opened without
// it fails as one whose password was refused.
#include "automation/DispatchObject.h"
#include "automation/Failure.h"
#include "common/LoadRequests.h"
#include "formats/OpenFormats.h"
#include "powerpoint/PowerPoint.h"
#include "uno/Documents.h"

namespace quillet::office::powerpoint {

namespace {

// The file and the password of "name::password::"; a name without that
// ending is the file itself. (The password never reaches an error text.)
std::pair<std::string, std::optional<std::string>> SplitPassword(const std::string& name) {
  const std::string mark = "::";
  if (name.size() < 2 * mark.size() || name.compare(name.size() - mark.size(), mark.size(), mark) != 0)
    return {name, std::nullopt};
  const size_t start = name.rfind(mark, name.size() - mark.size() - 1);
  if (start == std::string::npos) return {name, std::nullopt};
  return {name.substr(0, start), name.substr(start + mark.size(), name.size() - mark.size() - start - mark.size())};
}

std::shared_ptr<OpenDocument> Open(AppState& app, const CallArgs& a) {
  const std::optional<std::string> name = a.Text(0, "FileName");
  if (!name || name->empty()) throw Failure("A file name is needed.");
  const auto [path, password] = SplitPassword(*name);
  const formats::OpenRule rule = formats::PowerPointOpenRule(path);
  uno::LoadRequest request = LoadRequestFor(path, uno::DocumentKind::Presentation, rule);
  if (password) {
    request.hasPassword = true;
    request.password = *password;
  }
  auto deck = std::make_shared<OpenDocument>(path, uno::LoadDocument(app.OfficeForNewDocument(), request));
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
