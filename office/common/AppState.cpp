#include "common/AppState.h"

#include "automation/Failure.h"
#include "uno/Documents.h"
#include "uno/FontMapping.h"

namespace quillet::office {

AppState::AppState(std::string source, uno::Module module) : source_(std::move(source)), module_(module) {}

AppState::~AppState() { Quit(); }

void AppState::CheckRunning() const {
  if (quit_) throw CodeFailure(RPC_E_DISCONNECTED);
}

uno::Office& AppState::office() {
  CheckRunning();
  if (!office_ || !office_->alive()) {
    // The documents of an office that has ended went with it.
    CloseDocuments();
    office_.reset();
    uno::RequireInstalled(module_);
    office_ = uno::Office::Acquire();
  }
  return *office_;
}

uno::Office& AppState::OfficeForNewDocument() {
  if (office().DueForRecycling() && Documents().empty()) {
    office_->Shutdown();
    office_.reset();
  }
  uno::Office& current = office();
  current.CountDocument();
  // A new document starts a new record; an office without one answers none.
  fonts_.clear();
  trackingFonts_ = false;
  try {
    uno::StartFontTracking(current);
    trackingFonts_ = true;
  } catch (...) {
  }
  return current;
}

const std::vector<FontSubstitution>& AppState::Fonts() {
  CheckRunning();
  if (trackingFonts_ && office_ && office_->alive()) {
    trackingFonts_ = false;
    try {
      fonts_ = Substitutions(uno::FinishFontTracking(*office_));
    } catch (...) {
      fonts_.clear();
    }
  }
  return fonts_;
}

void AppState::CloseDocuments() {
  for (const auto& d : Documents()) d->Close();
  documents_.clear();
}

void AppState::Quit() {
  CloseDocuments();
  office_.reset();
  quit_ = true;
}

void AppState::Opened(const std::shared_ptr<OpenDocument>& document) {
  std::erase_if(documents_, [](const std::weak_ptr<OpenDocument>& d) { return d.expired(); });
  documents_.push_back(document);
}

std::vector<std::shared_ptr<OpenDocument>> AppState::Documents() {
  std::vector<std::shared_ptr<OpenDocument>> open;
  for (const auto& weak : documents_)
    if (auto d = weak.lock(); d && !d->closed()) open.push_back(d);
  return open;
}

void OpenDocument::Close() noexcept {
  if (!model.is()) return;
  properties.clear();
  uno::CloseDocument(model);
  model.clear();
}

const uno::Reference<uno::css::lang::XComponent>& OpenDocument::Model() const {
  if (!model.is()) throw Failure("The object has been deleted.");
  return model;
}

}  // namespace quillet::office
