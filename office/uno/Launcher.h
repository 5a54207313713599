// Starting soffice.bin listening on a named pipe: what the stand-ins' own
// offices and the shared offices of "quillet office start" have in common
// (the program, its arguments, its profile and temporary folders, the pipe's
// socket file), and the walls around the offices of a process that asks for
// them. The process itself is an OfficeProcess, which waits until the office
// accepts. Nothing here needs the UNO runtime: the command line builds it in
// without LibreOffice's SDK.
#pragma once

#include <string>
#include <vector>

#include "platform/unique_fd.h"

namespace quillet::office::uno {

// How the offices this process starts are walled in, as its environment
// asks. $QUILLET_OFFICE_CONFINE names a folder: the offices get LibreOffice's
// settings that keep linked and external content out, and the process never
// attaches to the user's shared office. With it, $QUILLET_OFFICE_ISOLATION=bwrap
// runs each office under bubblewrap, where it sees no network and no file
// but its program, its profile slot and that folder.
struct Confinement {
  std::string folder;      // absolute; empty: not confined
  bool isolated = false;   // under bubblewrap
  std::string pipeFolder;  // isolated: where its pipes' sockets go ($OSL_SOCKET_PATH, else the folder)
  bool confined() const { return !folder.empty(); }
};
// Raises Failure when the folder is not one, or the isolation is not known
// (walls that were asked for are never silently left out).
Confinement ConfinementOfEnvironment();

// How one soffice is started.
struct OfficeLaunch {
  std::string programFolder;  // where soffice.bin is
  std::string pipe;           // the pipe it accepts connections on
  std::string profileFolder;  // its user profile
  std::string tempFolder;     // its TMPDIR
  // False: it dies with the thread that starts it. True: it runs in a
  // session of its own and outlives this process.
  bool detached = false;
  // Isolated: run under bubblewrap (see Confinement).
  Confinement confinement = {};
};

// The pipe a shared, user-started LibreOffice listens on:
// $QUILLET_OFFICE_PIPE when set, else "quillet-office".
std::string WellKnownPipe();

// The folder where a LibreOffice that runs in this process's environment
// (and this process's own UNO runtime) puts the socket files of its pipes.
// LibreOffice's rule: /tmp when it can be written, else /var/tmp when that
// can, else $OSL_SOCKET_PATH; the variable counts only then.
std::string PipeFolder();
// The socket file of pipe Name: <folder>/PipeFileName(name) (see PipeFiles.h),
// in PipeFolder() unless another folder is given.
std::string PipeFile(const std::string& pipe);
std::string PipeFile(const std::string& pipe, const std::string& folder);
// The socket file of the office of Launch: an isolated one has its pipes
// where its confinement says.
std::string PipeFileOf(const OfficeLaunch& launch);
// Whether something accepts connections on pipe Name (socket file File) now.
bool PipeAccepts(const std::string& pipe);
bool SocketAccepts(const std::string& file);
// A connection to the socket file File, made without waiting; empty when
// nothing accepts one there now (none listens, or it is stopped or full).
os::UniqueFd ConnectToSocket(const std::string& file);

// Raises Failure, naming the Debian packages to install, when the program
// folder holds no soffice.bin that can be run.
void RequireSoffice(const std::string& programFolder);

// The program, its arguments (without the program) and the NAME=value
// entries it gets in its environment. The program is soffice.bin, or for an
// isolated office bubblewrap, which runs soffice.bin and exits with its
// status (128 + the signal's number when a signal ended it).
struct OfficeCommand {
  std::string program;
  std::vector<std::string> args, environment;
  bool signalAsStatus = false;
};
OfficeCommand CommandOf(const OfficeLaunch& launch);
// Writes what an isolated office needs in its temporary folder before it
// starts (the one account it may know of); nothing for the others.
void PrepareLaunch(const OfficeLaunch& launch);

// Whether offices can be isolated here: bubblewrap is tried once with the
// namespaces and mounts of an isolated office. When it cannot, Why says why
// (bubblewrap missing, user namespaces refused by the kernel or container).
bool OfficeIsolationWorks(std::string& why);

}  // namespace quillet::office::uno
