// The modal dialogs an application raises while it opens a file (a converter
// asking for options, a macro error, a password prompt), for the tests of the
// dialog watcher. Only Windows has them; elsewhere no dialog is ever raised.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Office.h"

namespace quillet::doubles {

struct DialogOutcome {
  std::string caption;  // of the dialog
  std::string pressed;  // caption of the button pressed; empty when none was
  bool timedOut = false;
};

// Raises the dialog Kind of App in this process, on a thread of its own, and
// returns when it has ended: a button was pressed, it was closed, or nobody
// answered within TimeoutMs and it closed itself. FileName is the document's,
// for the captions that name it. Nothing when App raises no dialog of that kind
// or the system has no windows.
//   Word, "WordPerfect":              "Convert File - WordPerfect 5.x": an edit field, OK, Cancel
//   Excel, "Microsoft Visual Basic":  "Microsoft Visual Basic": Continue, End, Debug
//   PowerPoint, "Password":           a frame "<FileName> - Microsoft PowerPoint" owning
//                                     "Password": an edit field, OK, Cancel
std::optional<DialogOutcome> RaiseOpenDialog(AppKind app, const std::string& kind, const std::string& fileName,
                                             int32_t timeoutMs);

}  // namespace quillet::doubles
