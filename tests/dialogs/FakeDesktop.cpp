#include "FakeDesktop.h"

#include <algorithm>

namespace quillet::test {

FakeDesktop::FakeDesktop() {
  // Like the system's snapshot, the list starts with the idle process, id 0.
  processes_.push_back({0, "[System Process]"});
}

os::WindowHandle FakeDesktop::AddWindow(const std::string& className, const std::string& caption, os::ProcessId pid,
                                        os::WindowHandle owner) {
  std::lock_guard<std::mutex> lock(lock_);
  const os::WindowHandle handle = next_++;
  windows_[handle] = Window{className, caption, owner, false, pid, {}, true, true, os::NoWindow};
  topLevel_.push_back(handle);
  return handle;
}

os::WindowHandle FakeDesktop::AddChild(os::WindowHandle parent, const std::string& className,
                                       const std::string& caption) {
  std::lock_guard<std::mutex> lock(lock_);
  auto& owner = windows_.at(parent);
  const os::WindowHandle handle = next_++;
  owner.children.push_back(handle);
  windows_[handle] = Window{className, caption, parent, true, owner.pid, {}, true, true, os::NoWindow};
  return handle;
}

void FakeDesktop::DestroyWindow(os::WindowHandle window) {
  std::lock_guard<std::mutex> lock(lock_);
  if (auto* siblings = SiblingsOf(window)) std::erase(*siblings, window);
  std::vector<os::WindowHandle> doomed{window};
  while (!doomed.empty()) {
    const auto handle = doomed.back();
    doomed.pop_back();
    auto it = windows_.find(handle);
    if (it == windows_.end()) continue;
    doomed.insert(doomed.end(), it->second.children.begin(), it->second.children.end());
    windows_.erase(it);
  }
}

void FakeDesktop::SetWindowState(os::WindowHandle window, bool visible, bool enabled) {
  std::lock_guard<std::mutex> lock(lock_);
  auto& w = windows_.at(window);
  w.visible = visible;
  w.enabled = enabled;
}

void FakeDesktop::SetLastActivePopup(os::WindowHandle window, os::WindowHandle popup) {
  std::lock_guard<std::mutex> lock(lock_);
  windows_.at(window).popup = popup;
}

std::vector<std::string> FakeDesktop::Actions() const {
  std::lock_guard<std::mutex> lock(lock_);
  return actions_;
}

bool FakeDesktop::IsWindowVisible(os::WindowHandle window) {
  std::lock_guard<std::mutex> lock(lock_);
  const auto* w = Find(window);
  return w && w->visible;
}

bool FakeDesktop::IsWindowEnabled(os::WindowHandle window) {
  std::lock_guard<std::mutex> lock(lock_);
  const auto* w = Find(window);
  return w && w->enabled;
}

os::WindowHandle FakeDesktop::LastActivePopup(os::WindowHandle window) {
  std::lock_guard<std::mutex> lock(lock_);
  const auto* w = Find(window);
  if (!w) return os::NoWindow;
  return Find(w->popup) ? w->popup : window;
}

void FakeDesktop::ShowWindow(os::WindowHandle window, int showCommand) {
  std::lock_guard<std::mutex> lock(lock_);
  actions_.push_back("show " + std::to_string(window) + " " + std::to_string(showCommand));
  if (auto it = windows_.find(window); it != windows_.end()) it->second.visible = showCommand != 0;
}

void FakeDesktop::SetForegroundWindow(os::WindowHandle window) {
  std::lock_guard<std::mutex> lock(lock_);
  actions_.push_back("foreground " + std::to_string(window));
}

void FakeDesktop::AddProcess(os::ProcessId pid, const std::string& exeFile) {
  std::lock_guard<std::mutex> lock(lock_);
  processes_.push_back({pid, exeFile});
}

void FakeDesktop::EndProcess(os::ProcessId pid) {
  std::lock_guard<std::mutex> lock(lock_);
  std::erase_if(processes_, [pid](const os::ProcessEntry& e) { return e.id == pid; });
}

void FakeDesktop::OnVisit(std::function<void(os::WindowHandle)> hook) {
  std::lock_guard<std::mutex> lock(lock_);
  onVisit_ = std::move(hook);
}

void FakeDesktop::OnMessage(std::function<void(const Sent&)> hook) {
  std::lock_guard<std::mutex> lock(lock_);
  onMessage_ = std::move(hook);
}

std::vector<FakeDesktop::Sent> FakeDesktop::SentTo(os::WindowHandle window) const {
  std::lock_guard<std::mutex> lock(lock_);
  std::vector<Sent> result;
  for (const auto& s : sent_)
    if (s.window == window) result.push_back(s);
  return result;
}

std::size_t FakeDesktop::SentCount() const {
  std::lock_guard<std::mutex> lock(lock_);
  return sent_.size();
}

std::string FakeDesktop::Typed(os::WindowHandle window) const {
  std::string text;
  for (const auto& s : SentTo(window))
    if (s.message == os::WindowMessage::Char) text += static_cast<char>(s.wParam);
  return text;
}

int FakeDesktop::Clicks(os::WindowHandle window) const {
  const auto sent = SentTo(window);
  int clicks = 0;
  for (std::size_t i = 0; i + 2 < sent.size(); ++i) {
    const bool clean = sent[i].wParam == 0 && sent[i].lParam == 0 && sent[i + 1].wParam == 0 &&
                       sent[i + 1].lParam == 0 && sent[i + 2].wParam == 0 && sent[i + 2].lParam == 0;
    if (clean && sent[i].message == os::WindowMessage::SetFocus &&
        sent[i + 1].message == os::WindowMessage::LButtonDown && sent[i + 2].message == os::WindowMessage::LButtonUp)
      ++clicks;
  }
  return clicks;
}

int FakeDesktop::Enumerations() const {
  std::lock_guard<std::mutex> lock(lock_);
  return enumerations_;
}

int FakeDesktop::Snapshots() const {
  std::lock_guard<std::mutex> lock(lock_);
  return snapshots_;
}

void FakeDesktop::EnumTopLevelWindows(const std::function<bool(os::WindowHandle)>& visit) {
  std::vector<os::WindowHandle> order;
  std::function<void(os::WindowHandle)> hook;
  {
    std::lock_guard<std::mutex> lock(lock_);
    ++enumerations_;
    order = topLevel_;
    hook = onVisit_;
  }
  for (const auto window : order) {
    if (hook) hook(window);
    if (!visit(window)) return;
  }
}

std::string FakeDesktop::WindowCaption(os::WindowHandle window, std::size_t bufferSize) {
  std::lock_guard<std::mutex> lock(lock_);
  const auto* w = Find(window);
  if (!w || bufferSize == 0) return {};
  return w->caption.substr(0, bufferSize - 1);
}

std::string FakeDesktop::WindowClassName(os::WindowHandle window, std::size_t bufferSize) {
  std::lock_guard<std::mutex> lock(lock_);
  const auto* w = Find(window);
  if (!w || bufferSize == 0) return {};
  return w->className.substr(0, bufferSize - 1);
}

os::WindowHandle FakeDesktop::ParentWindow(os::WindowHandle window) {
  std::lock_guard<std::mutex> lock(lock_);
  const auto* w = Find(window);
  return w && Find(w->parent) ? w->parent : os::NoWindow;
}

os::ProcessId FakeDesktop::WindowProcessId(os::WindowHandle window) {
  std::lock_guard<std::mutex> lock(lock_);
  const auto* w = Find(window);
  return w ? w->pid : 0;
}

std::vector<os::ProcessEntry> FakeDesktop::ProcessSnapshot() {
  std::lock_guard<std::mutex> lock(lock_);
  ++snapshots_;
  return processes_;
}

os::WindowHandle FakeDesktop::FirstChild(os::WindowHandle window) {
  std::lock_guard<std::mutex> lock(lock_);
  const auto* w = Find(window);
  return w && !w->children.empty() ? w->children.front() : os::NoWindow;
}

os::WindowHandle FakeDesktop::NextSibling(os::WindowHandle window) {
  std::lock_guard<std::mutex> lock(lock_);
  const auto* siblings = SiblingsOf(window);
  if (!siblings) return os::NoWindow;
  auto it = std::find(siblings->begin(), siblings->end(), window);
  if (it == siblings->end() || ++it == siblings->end()) return os::NoWindow;
  return *it;
}

std::intptr_t FakeDesktop::SendWindowMessage(os::WindowHandle window, os::WindowMessage message, std::uintptr_t wParam,
                                             std::intptr_t lParam, std::uint32_t timeoutMs) {
  std::function<void(const Sent&)> hook;
  Sent sent{window, message, wParam, lParam, timeoutMs};
  {
    std::lock_guard<std::mutex> lock(lock_);
    // A message to a window that is gone goes nowhere, as on the system.
    if (!Find(window)) return 0;
    sent_.push_back(sent);
    hook = onMessage_;
  }
  if (hook) hook(sent);
  return 0;
}

const FakeDesktop::Window* FakeDesktop::Find(os::WindowHandle window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second;
}

std::vector<os::WindowHandle>* FakeDesktop::SiblingsOf(os::WindowHandle window) {
  auto it = windows_.find(window);
  if (it == windows_.end()) return nullptr;
  if (!it->second.child) return &topLevel_;
  auto parent = windows_.find(it->second.parent);
  return parent == windows_.end() ? nullptr : &parent->second.children;
}

}  // namespace quillet::test
