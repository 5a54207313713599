#include "common/AppState.h"

#include "automation/Failure.h"
#include "uno/Documents.h"

namespace quillet::office {

AppState::AppState(std::string source) : source_(std::move(source)), office_(uno::Office::Acquire()) {}

AppState::~AppState() { Quit(); }

uno::Office& AppState::office() const {
  if (!office_) throw CodeFailure(RPC_E_DISCONNECTED);
  return *office_;
}

void AppState::Quit() {
  for (const auto& d : Documents()) d->Close();
  documents_.clear();
  office_.reset();
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
  uno::CloseDocument(model);
  model.clear();
}

const uno::Reference<uno::css::lang::XComponent>& OpenDocument::Model() const {
  if (!model.is()) throw Failure("The object has been deleted.");
  return model;
}

}  // namespace quillet::office
