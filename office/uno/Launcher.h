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

namespace quillet::office::uno {

// How the offices this process starts are walled in, as its environment
// asks. $QUILLET_OFFICE_CONFINE names a folder: the offices get LibreOffice's
// settings that keep linked and external content out, and the process never
// attaches to the user's shared office.
struct Confinement {
  std::string folder;  // absolute; empty: not confined
  bool confined() const { return !folder.empty(); }
};
// Raises Failure when the folder is not one (walls that were asked for are
// never silently left out).
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
};

// The pipe a shared, user-started LibreOffice listens on:
// $QUILLET_OFFICE_PIPE when set, else "quillet-office".
std::string WellKnownPipe();

// The folder where a LibreOffice that runs in this process's environment
// (and this process's own UNO runtime) puts the socket files of its pipes.
// LibreOffice's rule: /tmp when it can be written, else /var/tmp when that
// can, else $OSL_SOCKET_PATH; the variable counts only then.
std::string PipeFolder();
// The socket file of pipe Name: <folder>/OSL_PIPE_<uid>_<name>, in
// PipeFolder() unless another folder is given.
std::string PipeFile(const std::string& pipe);
std::string PipeFile(const std::string& pipe, const std::string& folder);
// Whether something accepts connections on pipe Name (socket file File) now.
bool PipeAccepts(const std::string& pipe);
bool SocketAccepts(const std::string& file);

// Raises Failure, naming the Debian packages to install, when the program
// folder holds no soffice.bin that can be run.
void RequireSoffice(const std::string& programFolder);

// The program (soffice.bin), its arguments (without the program) and the
// NAME=value entries it gets in its environment.
struct OfficeCommand {
  std::string program;
  std::vector<std::string> args, environment;
};
OfficeCommand CommandOf(const OfficeLaunch& launch);

}  // namespace quillet::office::uno
