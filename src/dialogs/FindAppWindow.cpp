#include "dialogs/FindAppWindow.h"

#include "utilities/Strings.h"

namespace quillet {

namespace {

// The window's caption holds Pattern, or else its class name does.
bool CaptionOrClassHolds(os::Desktop& desktop, os::WindowHandle window, const std::string& pattern) {
  if (window == os::NoWindow) return false;
  if (Contains(LowerCase(desktop.WindowCaption(window, kFinderTextBufferSize)), pattern)) return true;
  return Contains(LowerCase(desktop.WindowClassName(window, kFinderTextBufferSize)), pattern);
}

// The first entry of the snapshot with the process id wins, as in a walk of
// the snapshot from its first entry.
std::string FirstExeNameOf(const std::vector<os::ProcessEntry>& snapshot, os::ProcessId pid) {
  for (const auto& entry : snapshot)
    if (entry.id == pid) return entry.exeFile;
  return {};
}

}  // namespace

FindWindowSearch::FindWindowSearch(os::Desktop& desktop, const std::string& exePattern,
                                   const std::string& windowPattern, const std::string& parentExePattern,
                                   const std::string& parentPattern)
    : ExePattern(LowerCase(exePattern)),
      WindowPattern(LowerCase(windowPattern)),
      ParentExePattern(LowerCase(parentExePattern)),
      ParentPattern(LowerCase(parentPattern)),
      desktop_(desktop) {
  for (const auto* criterion : {&ExePattern, &WindowPattern, &ParentExePattern, &ParentPattern})
    if (!criterion->empty()) ++CriteriaUsed;
}

void FindWindowSearch::TakeSnapshot() {
  ++snapshots_;
  exeNames_.clear();
  for (auto& entry : desktop_.ProcessSnapshot()) exeNames_.try_emplace(entry.id, std::move(entry.exeFile));
}

std::string FindWindowSearch::ExeNameOf(os::WindowHandle window) {
  if (window == os::NoWindow) return {};
  // Id 0 is what a window that has gone reports; the snapshot lists the idle
  // process under that id, which must not pass for the window's process.
  const os::ProcessId pid = desktop_.WindowProcessId(window);
  if (pid == 0) return {};
  if (snapshots_ == 0) TakeSnapshot();
  auto it = exeNames_.find(pid);
  if (it == exeNames_.end() && refreshedFor_.insert(pid).second) {
    TakeSnapshot();
    it = exeNames_.find(pid);
  }
  return it == exeNames_.end() ? std::string() : it->second;
}

bool FindWindowEnumProc(os::WindowHandle window, FindWindowSearch& search) {
  os::Desktop& desktop = search.Desktop();
  search.Satisfied = 0;
  const os::WindowHandle parent = desktop.ParentWindow(window);
  if (!search.WindowPattern.empty() && CaptionOrClassHolds(desktop, window, search.WindowPattern)) ++search.Satisfied;
  if (!search.ExePattern.empty() && Contains(LowerCase(search.ExeNameOf(window)), search.ExePattern))
    ++search.Satisfied;
  if (!search.ParentPattern.empty() && CaptionOrClassHolds(desktop, parent, search.ParentPattern)) ++search.Satisfied;
  if (!search.ParentExePattern.empty() && Contains(LowerCase(search.ExeNameOf(parent)), search.ParentExePattern))
    ++search.Satisfied;
  if (search.Satisfied != search.CriteriaUsed) return true;
  search.Found = window;
  return false;
}

os::WindowHandle FindAppWindow(const std::string& ExePattern, const std::string& WindowPattern,
                               const std::string& ParentExePattern, const std::string& ParentPattern) {
  const auto desktop = os::CurrentDesktop();
  FindWindowSearch search(*desktop, ExePattern, WindowPattern, ParentExePattern, ParentPattern);
  desktop->EnumTopLevelWindows([&search](os::WindowHandle window) { return FindWindowEnumProc(window, search); });
  return search.Found;
}

std::string GetWindowExeName(os::WindowHandle window) {
  if (window == os::NoWindow) return {};
  const auto desktop = os::CurrentDesktop();
  const os::ProcessId pid = desktop->WindowProcessId(window);
  if (pid == 0) return {};
  return FirstExeNameOf(desktop->ProcessSnapshot(), pid);
}

}  // namespace quillet
