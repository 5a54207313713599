// System and file utilities: small stateless routines the conversion code calls.
#pragma once

#include <cstdint>
#include <string>

namespace quillet {

namespace os {
class Printer;
}

// Reads the first run of decimal digits in Text as an integer ("9.0" gives 9,
// "Version 11" gives 11); -1 when Text holds no digit. Raises Error
// "'<digits>' is not a valid integer value" when the run does not fit in 32 bits.
int32_t ParseVersionNumber(const std::string& text);

// Writes Text to FileName, replacing the file: every line (cut at CR LF, LF or
// CR) followed by CR LF, all other bytes unchanged. The file's folder is
// created first, with every missing parent; when that fails the Error is
// raised to the caller. False when the file cannot be written.
bool SaveTextToFile(const std::string& fileName, const std::string& text);

// The file version from an executable's version resource (16 bits each). False
// for an empty path or a file without a version resource (always on Linux);
// the outputs are then left as they were.
bool GetFileVersionNumbers(const std::string& path, uint16_t& major, uint16_t& minor, uint16_t& release,
                           uint16_t& build);

// Deletes Folder with everything in it: read-only entries are made writable
// first, and subfolders go the same way (a subfolder whose name begins with a
// dot is left alone, so it keeps its parent too). The walk stops at the first
// entry that cannot be deleted. False when Folder does not exist; when Folder
// cannot be removed, a message box shows the folder followed by the system's
// reason and the result is false. Raises Error when a folder cannot be
// entered. Changes the process's current folder while it works and always
// restores it, so nothing else may rely on it meanwhile.
bool DeleteFolderTree(const std::string& folder);

// Number of jobs in the printer's queue. When the queue cannot be read, a
// message box shows the system's reason and the result is -1.
int GetPrinterJobCount(const os::Printer& printer);

// The temporary folder with a trailing delimiter, or empty when the system
// cannot name it.
std::string GetTempFolder();

// The system folder with a trailing delimiter.
std::string GetSystemFolder();

// Starts Program with the parameter text, in the program's own folder, with the
// given show-window value (0 hidden, 1 normal). The command line is the path in
// double quotes, a blank and Params (on Linux Params is cut into arguments as
// os::SplitParameters describes). Returns the process id, 0 when it could not
// be started; does not wait.
uint32_t RunProgram(const std::string& program, const std::string& params, int show);

// Like RunProgram, then waits without a time limit until the program ends.
// False when it could not be started.
bool RunProgramAndWait(const std::string& program, const std::string& params, int show);

// Cuts a keyword's value out of Text: from just after the first StartMarker up
// to (not including) the first EndMarker after it (without a StartMarker,
// from the first character). With WholeIfMissing, a missing marker gives the
// whole text back.
std::string ExtractBetween(const std::string& text, const std::string& startMarker, const std::string& endMarker,
                           bool wholeIfMissing);

}  // namespace quillet
