// Starting other programs. The command line is built as Windows wants it (the
// program's path in double quotes, one blank, the parameter text); on Linux the
// same text is cut back into an argument vector, since there is no command-line
// string to hand over.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillet::os {

// A double quote, Program, a double quote, one blank and Params. The blank is
// there even when Params is empty, so the program always sees the same shape.
std::string BuildCommandLine(const std::string& program, const std::string& params);

// How the Linux build turns a parameter text into arguments: cut at runs of
// blanks; a double-quoted stretch stays together (with its quotes removed), so
// a quoted path with blanks arrives as one argument. There is no escape
// character. An empty text gives no arguments.
std::vector<std::string> SplitParameters(const std::string& params);

// Starts Program with Params in its own folder (the working folder is the
// program's folder; a bare program name keeps the caller's). Show is the
// window's show value (0 hidden, 1 normal; the Linux build has no window to
// show and ignores it). On Windows the process gets a new console and normal
// priority and inherits no handles. Returns the new process's id, or 0 when it
// could not be started; it does not wait.
uint32_t StartProgram(const std::string& program, const std::string& params, int show);

// The id of the calling process.
uint32_t CurrentProcessId();

// Like StartProgram, but waits without a time limit until the program ends.
// False when it could not be started.
bool StartProgramAndWait(const std::string& program, const std::string& params, int show);

// Processes that the converter may have to end: a server it started that no
// longer answers. Only ever called with the id of such a process.

// True while the process runs (a finished child not yet collected counts as gone).
bool ProcessAlive(uint32_t pid);
// Ends the process at once (TerminateProcess, SIGKILL) and waits a moment for
// it to go, collecting it when it is a child of ours. True when it is gone.
bool EndProcess(uint32_t pid);

// The ids of the running processes whose executable file name is Name
// (without regard to case). Empty where the system has no process snapshot
// for the library (Linux).
std::vector<uint32_t> ProcessesNamed(const std::string& name);

// The calling thread's id, as the system's call-cancellation knows it.
uint32_t CurrentThreadId();

}  // namespace quillet::os
