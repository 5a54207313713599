// The lingering office: the LibreOffice that "quillet convert --keep-office
// SECONDS" (or QUILLET_KEEP_OFFICE=SECONDS) leaves running when it ends, so
// that the user's next call attaches to it instead of starting one.
//
// It is the user's alone. Its folder, <runtime>/office-<pipe>-<version>, where
// <runtime> is $XDG_RUNTIME_DIR/quillet or else /tmp/quillet-<uid>, holds its
// profile, its temporary files, its state and its locks; every folder on the
// way must be the user's own with mode 0700, or nothing is attached or
// started. The state names the quillet version that started it, and a call
// attaches only when the office's pipe is a socket of the user's whose
// listener (by the kernel's word) is the very office of the state.
//
// A supervisor of ours ("quillet linger-office"), in a session of its own,
// owns the office: the office dies with it, and it ends the office once no
// call has used it for SECONDS. Calls that use it hold a shared lock on its
// "busy" file while they run, so an office is never ended under a document.
// Its "lock" file serialises starts, attaches and the end: two first calls
// at once start one office.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

namespace quillet::cli {

// Seconds an office is kept after a call: Option when given (>= 0), else
// $QUILLET_KEEP_OFFICE, else 0 (not kept). Raises std::invalid_argument for a
// variable that is no whole number of seconds from 0 to 86400.
int KeepOfficeSeconds(int option);

// Points this process's conversions at the user's lingering office, started
// now (under the lock) when none runs or the one there is stopped, gone or
// not this version's. Does nothing when Seconds is 0, when the user's shared
// office ("quillet office start") listens, or when the environment walls the
// offices in (they never attach). Raises std::runtime_error when the
// office's folder is not the user's own, or the office cannot be started.
void UseLingeringOffice(int seconds);
// Counts a document converted in the lingering office this process uses.
void CountLingeringDocument();
// The lingering office failed a document (its deadline passed, it ended):
// it is ended, so that the next call starts a new one.
void DropLingeringOffice();

struct LingeringState {
  std::string version;
  pid_t supervisor = 0, office = 0;
  std::string pipe;
  int idleSeconds = 0;
  long secondsLeft = 0;  // of idleness before it ends
  uint64_t documents = 0;
  uint64_t residentBytes = 0;
  bool busy = false;  // a call uses it now
};
// The user's lingering office of this version, when one runs. Raises
// std::runtime_error when its folder is not the user's own.
std::optional<LingeringState> QueryLingeringOffice();
// Ends it (its supervisor asked, both killed when they do not end in time);
// its state when there was one.
std::optional<LingeringState> StopLingeringOffice();

// The lease of a program that converts through the library without being
// this command line (the Python package): attaches to the user's lingering
// office as a conversion does (starting it when none runs), writes the line
// "pipe=NAME" (empty when it did not attach: nothing asked, walled in, or
// the shared office listens) and holds the office until its input ends. An
// input line "document" counts a document converted, "drop" drops the
// office (a document passed its deadline in it, or it ended).
int RunLeaseOffice(const std::string& seconds);

// The supervisor: starts the office in Folder, then ends it after Seconds of
// idleness, when it is asked to end (SIGTERM), or when the office dies.
int RunLingerOffice(const std::string& seconds, const std::string& folder);

}  // namespace quillet::cli
