// The window finder: the first top-level window that satisfies up to four
// criteria, each a case-insensitive substring test: a text in the window's
// caption (or else its class name), a text in the executable name of its
// process, and the same two for its parent (the owner of a top-level window).
// An empty criterion is not used.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "platform/desktop.h"

namespace quillet {

// Captions and class names are read into buffers of this many bytes, so only
// their first 253 characters take part in a comparison.
constexpr std::size_t kFinderTextBufferSize = 254;

// The state of one search: its own criteria, counters, result and process
// names, shared with no other search (the finder runs on several threads).
class FindWindowSearch {
 public:
  FindWindowSearch(os::Desktop& desktop, const std::string& exePattern, const std::string& windowPattern,
                   const std::string& parentExePattern, const std::string& parentPattern);

  // The criteria, lower-cased once.
  std::string ExePattern, WindowPattern, ParentExePattern, ParentPattern;
  int CriteriaUsed = 0;  // criteria that are not empty, 0 to 4
  int Satisfied = 0;     // criteria the window under test satisfies
  os::WindowHandle Found = os::NoWindow;

  os::Desktop& Desktop() const { return desktop_; }

  // The executable name of the window's process, empty when the window or its
  // process is gone. The process list is read once per search, when first
  // needed, instead of once per window; a process id it does not list (a
  // process started during the search) makes it read the list once more.
  std::string ExeNameOf(os::WindowHandle window);

  // How many process snapshots this search has taken.
  int Snapshots() const { return snapshots_; }

 private:
  void TakeSnapshot();

  os::Desktop& desktop_;
  std::unordered_map<os::ProcessId, std::string> exeNames_;
  std::unordered_set<os::ProcessId> refreshedFor_;
  int snapshots_ = 0;
};

// The first top-level window in the system's order that satisfies every
// criterion in use, or NoWindow. With no criterion in use the first window matches.
os::WindowHandle FindAppWindow(const std::string& ExePattern, const std::string& WindowPattern,
                               const std::string& ParentExePattern, const std::string& ParentPattern);

// The executable file name of the process that owns Window, as the process
// snapshot lists it; empty when the window or its process is gone.
std::string GetWindowExeName(os::WindowHandle window);

// Tests one window of the enumeration against the search's criteria. Every
// criterion in use is evaluated. Records the window and returns false (stop
// the enumeration) when it satisfies them all; returns true to go on.
bool FindWindowEnumProc(os::WindowHandle window, FindWindowSearch& search);

}  // namespace quillet
