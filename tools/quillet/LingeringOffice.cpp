#include "LingeringOffice.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <vector>

#include "Processes.h"
#include "platform/unique_fd.h"
#include "quillet/quillet.h"
#include "uno/Launcher.h"
#include "uno/OfficeProcess.h"
#include "uno/PipeFiles.h"

extern char** environ;

namespace quillet::cli {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using os::UniqueFd;

namespace {

constexpr int kMaxSeconds = 86400;
constexpr auto kPoll = 200ms;

// Folder must be a folder (not a link to one) of this user's, mode 0700.
void RequirePrivate(const std::string& folder) {
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0)
    throw std::runtime_error("the office's folder " + folder + " cannot be read: " + std::strerror(errno));
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 077) != 0)
    throw std::runtime_error("the office's folder " + folder +
                             " is not a folder of the user's own with mode 0700: no office is kept there");
}

// Folder, made with mode 0700 when missing, then checked.
std::string PrivateFolder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    throw std::runtime_error("cannot make the office's folder " + folder + ": " + std::strerror(errno));
  RequirePrivate(folder);
  return folder;
}

// The folder of the lingering office of this version and well-known pipe.
std::string OfficeFolder() {
  std::string runtime;
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg) {
    RequirePrivate(xdg);
    runtime = PrivateFolder(std::string(xdg) + "/quillet");
  } else {
    runtime = PrivateFolder("/tmp/quillet-" + std::to_string(::getuid()));
  }
  return PrivateFolder(runtime + "/office-" + office::uno::WellKnownPipe() + "-" + QUILLET_VERSION);
}

std::string PipeOf(const std::string& folder) {
  return office::uno::WellKnownPipe() + "-linger-" + std::to_string(::getuid()) + "-" + QUILLET_VERSION + "-" +
         std::to_string(std::hash<std::string>{}(folder) % 100000);
}

std::string ProgramFolder() {
  if (const char* folder = std::getenv("QUILLET_LIBREOFFICE_PROGRAM"); folder && *folder) return folder;
  return QUILLET_LIBREOFFICE_PROGRAM;
}

UniqueFd OpenIn(const std::string& folder, const char* name, int flags = O_RDWR) {
  UniqueFd fd(::open((folder + "/" + name).c_str(), flags | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!fd) throw std::runtime_error("cannot open " + folder + "/" + name + ": " + std::strerror(errno));
  return fd;
}

void Touch(const std::string& folder) {
  const UniqueFd fd = OpenIn(folder, "used");
  ::futimens(fd.get(), nullptr);
}

long SecondsSinceUse(const std::string& folder) {
  struct stat st {};
  if (::stat((folder + "/used").c_str(), &st) != 0) return 0;
  return static_cast<long>(::time(nullptr) - st.st_mtim.tv_sec);
}

struct State {
  std::string version, pipe;
  pid_t supervisor = 0, office = 0;
  int idle = 0;
};

std::optional<State> ReadState(const std::string& folder) {
  std::ifstream in(folder + "/state");
  if (!in) return std::nullopt;
  std::map<std::string, std::string> values;
  std::string line;
  while (std::getline(in, line))
    if (const size_t eq = line.find('='); eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  State state;
  try {
    state.version = values.at("version");
    state.pipe = values.at("pipe");
    state.supervisor = std::stoi(values.at("supervisor"));
    state.office = std::stoi(values.at("office"));
    state.idle = std::stoi(values.at("idle"));
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (state.supervisor <= 0 || state.office <= 0) return std::nullopt;
  return state;
}

void WriteState(const std::string& folder, const State& state) {
  const std::string file = folder + "/state", temporary = file + ".new";
  {
    const UniqueFd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
    std::ofstream out(temporary, std::ios::trunc);
    out << "version=" << state.version << "\npipe=" << state.pipe << "\nsupervisor=" << state.supervisor
        << "\noffice=" << state.office << "\nidle=" << state.idle << "\n";
    if (!out.flush()) throw std::runtime_error("cannot write " + temporary);
  }
  fs::rename(temporary, file);
}

// The kernel's word on who listens on the pipe: its socket file must be the
// user's, and the process at its other end the office of the state.
bool ListenerIs(const std::string& pipe, pid_t office) {
  const std::string file = office::uno::PipeFile(pipe);
  struct stat st {};
  if (::lstat(file.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || st.st_uid != ::getuid()) return false;
  const UniqueFd fd = office::uno::ConnectToSocket(file);
  if (!fd) return false;
  ucred peer{};
  socklen_t size = sizeof peer;
  if (::getsockopt(fd.get(), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) return false;
  return peer.uid == ::getuid() && peer.pid == office;
}

// A state whose processes are ours and answer: this version's supervisor
// and office, neither stopped, the office listening on the pipe.
bool Usable(const State& state) {
  return state.version == QUILLET_VERSION && Running(state.supervisor) && Running(state.office) &&
         CommandLineOf(state.supervisor).find(" linger-office ") != std::string::npos && !Stopped(state.supervisor) &&
         !Stopped(state.office) && ListenerIs(state.pipe, state.office);
}

// The office's processes as the state names them, when they are still
// those: the supervisor by its command, the office by its pipe.
std::vector<pid_t> ProcessesOf(const State& state) {
  std::vector<pid_t> pids;
  if (Running(state.supervisor) && CommandLineOf(state.supervisor).find(" linger-office ") != std::string::npos)
    pids.push_back(state.supervisor);
  if (Running(state.office) && CommandLineOf(state.office).find("pipe,name=" + state.pipe + ";") != std::string::npos)
    pids.push_back(state.office);
  return pids;
}

// Removes what an office ended by a signal leaves: its pipes' files, its
// profile's lock, its temporary files and the state.
void Clean(const std::string& folder, const std::string& pipe, const std::vector<std::string>& pipeFiles) {
  std::error_code ec;
  if (!pipe.empty() && !office::uno::PipeAccepts(pipe))
    for (const std::string& f : pipeFiles) fs::remove(f, ec);
  fs::remove(folder + "/state", ec);
  fs::remove(folder + "/profile/.lock", ec);
  for (const auto& e : fs::directory_iterator(folder + "/tmp", ec)) fs::remove_all(e.path(), ec);
}

// Ends the office of State. Asked to end: its supervisor first (which ends
// the office), then whatever is left, killed. Not usable (stopped, not
// answering): killed at once, since it would answer nothing.
void End(const std::string& folder, const State& state, bool gracefully) {
  std::vector<std::string> files = {office::uno::PipeFile(state.pipe)};
  for (const std::string& f : office::uno::PipeFilesOf(state.office)) files.push_back(f);
  std::vector<pid_t> pids = ProcessesOf(state);
  if (!gracefully) KillAll(pids);
  for (pid_t pid : pids) {
    // A stopped process ends only once it is continued.
    ::kill(pid, SIGTERM);
    ::kill(pid, SIGCONT);
  }
  if (!AllGone(pids, 10000)) {
    KillAll(pids);
    AllGone(pids, 5000);
  }
  Clean(folder, state.pipe, files);
}

// The lingering office this process uses.
struct InUse {
  std::string folder;
  State state;
  UniqueFd busy, documents;
  ~InUse() {
    // The idle time counts from the end of the last call.
    if (busy)
      ::futimens(UniqueFd(::open((folder + "/used").c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW)).get(), nullptr);
  }
};

InUse& TheInUse() {
  static InUse inUse;
  return inUse;
}

// Starts the supervisor in Folder and waits until its office accepts.
State Start(const std::string& folder, int seconds) {
  office::uno::RequireSoffice(ProgramFolder());
  for (const char* sub : {"/profile", "/tmp"}) PrivateFolder(folder + sub);
  Clean(folder, "", {});
  std::error_code ec;
  fs::remove(folder + "/documents", ec);  // a new office's count
  std::string program = "/proc/self/exe", name = "quillet", mode = "linger-office", idle = std::to_string(seconds),
              where = folder;
  std::vector<char*> argv = {name.data(), mode.data(), idle.data(), where.data(), nullptr};
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd : {0, 1, 2}) posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd ? O_WRONLY : O_RDONLY, 0);
  pid_t supervisor = 0;
  const int spawned = ::posix_spawn(&supervisor, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0)
    throw std::runtime_error(std::string("cannot start the office's keeper: ") + std::strerror(spawned));
  // It writes the state once its office accepts (within a minute, or it
  // gives up and ends).
  const auto deadline = std::chrono::steady_clock::now() + 90s;
  while (std::chrono::steady_clock::now() < deadline && Running(supervisor)) {
    if (const std::optional<State> state = ReadState(folder); state && state->supervisor == supervisor) {
      if (Usable(*state)) return *state;
      break;
    }
    std::this_thread::sleep_for(20ms);
  }
  ::kill(supervisor, SIGTERM);
  if (!AllGone({supervisor}, 10000)) KillAll({supervisor});
  throw std::runtime_error("LibreOffice did not start to be kept running");
}

volatile sig_atomic_t endAsked = 0;
void AskEnd(int) { endAsked = 1; }

}  // namespace

int KeepOfficeSeconds(int option) {
  if (option >= 0) return option;
  const char* value = std::getenv("QUILLET_KEEP_OFFICE");
  if (!value || !*value) return 0;
  const std::string text = value;
  if (text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos || std::stoi(text) > kMaxSeconds)
    throw std::invalid_argument("QUILLET_KEEP_OFFICE is not a whole number of seconds from 0 to 86400: " + text);
  return std::stoi(text);
}

void UseLingeringOffice(int seconds) {
  if (seconds <= 0 || office::uno::ConfinementOfEnvironment().confined() ||
      office::uno::PipeAccepts(office::uno::WellKnownPipe()))
    return;
  InUse& use = TheInUse();
  if (use.busy) return;
  const std::string folder = OfficeFolder();
  const UniqueFd lock = OpenIn(folder, "lock");
  if (::flock(lock.get(), LOCK_EX) != 0) throw std::runtime_error("cannot lock " + folder + "/lock");
  std::optional<State> state = ReadState(folder);
  if (!state || !Usable(*state)) {
    if (state) End(folder, *state, /*gracefully=*/false);
    state = Start(folder, seconds);
  }
  use.folder = folder;
  use.state = *state;
  use.busy = OpenIn(folder, "busy");
  ::flock(use.busy.get(), LOCK_SH);
  use.documents = OpenIn(folder, "documents", O_WRONLY | O_APPEND);
  Touch(folder);
  // The library attaches to the office of the well-known pipe.
  ::setenv("QUILLET_OFFICE_PIPE", state->pipe.c_str(), 1);
}

void CountLingeringDocument() {
  InUse& use = TheInUse();
  // One byte a document: the file's size is the count, whoever appends.
  if (use.documents && ::write(use.documents.get(), "d", 1) != 1) return;
}

void DropLingeringOffice() {
  InUse& use = TheInUse();
  if (!use.busy) return;
  use.busy.reset();
  use.documents.reset();
  for (pid_t pid : ProcessesOf(use.state)) {
    ::kill(pid, SIGKILL);
  }
}

std::optional<LingeringState> QueryLingeringOffice() {
  const std::string folder = OfficeFolder();
  const std::optional<State> state = ReadState(folder);
  if (!state || !Usable(*state)) return std::nullopt;
  LingeringState out;
  out.version = state->version;
  out.supervisor = state->supervisor;
  out.office = state->office;
  out.pipe = state->pipe;
  out.idleSeconds = state->idle;
  std::error_code ec;
  out.documents = fs::file_size(folder + "/documents", ec);
  if (ec) out.documents = 0;
  out.residentBytes = ResidentBytes(state->office);
  const UniqueFd busy = OpenIn(folder, "busy");
  out.busy = ::flock(busy.get(), LOCK_EX | LOCK_NB) != 0;
  out.secondsLeft = out.busy ? state->idle : std::max(0L, state->idle - SecondsSinceUse(folder));
  return out;
}

std::optional<LingeringState> StopLingeringOffice() {
  const std::string folder = OfficeFolder();
  const UniqueFd lock = OpenIn(folder, "lock");
  if (::flock(lock.get(), LOCK_EX) != 0) throw std::runtime_error("cannot lock " + folder + "/lock");
  const std::optional<State> state = ReadState(folder);
  if (!state) return std::nullopt;
  LingeringState out;
  out.supervisor = state->supervisor;
  out.office = state->office;
  out.pipe = state->pipe;
  End(folder, *state, /*gracefully=*/true);
  return out;
}

int RunLeaseOffice(const std::string& secondsText) {
  try {
    if (secondsText.empty() || secondsText.size() > 5 ||
        secondsText.find_first_not_of("0123456789") != std::string::npos || std::stoi(secondsText) > kMaxSeconds)
      throw std::invalid_argument("the seconds to keep the office are no whole number from 0 to 86400: " + secondsText);
    UseLingeringOffice(std::stoi(secondsText));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quillet: %s\n", e.what());
    return 1;
  }
  const bool attached = static_cast<bool>(TheInUse().busy);
  std::printf("pipe=%s\n", attached ? TheInUse().state.pipe.c_str() : "");
  std::fflush(stdout);
  char line[32];
  while (std::fgets(line, sizeof line, stdin)) {
    const std::string_view said(line);
    if (said == "document\n") {
      CountLingeringDocument();
    } else if (said == "drop\n") {
      DropLingeringOffice();
      break;
    }
  }
  return 0;
}

int RunLingerOffice(const std::string& secondsText, const std::string& folder) {
  int seconds = 0;
  try {
    seconds = std::stoi(secondsText);
    RequirePrivate(folder);
  } catch (const std::exception&) {
    return 2;
  }
  // Nothing of the call that started it is held: not its folder either.
  if (::chdir("/") != 0) return 1;
  struct sigaction action {};
  action.sa_handler = AskEnd;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
  const UniqueFd lock = OpenIn(folder, "lock"), busy = OpenIn(folder, "busy");
  State state{QUILLET_VERSION, PipeOf(folder), ::getpid(), 0, seconds};
  try {
    // Not detached: the office dies with its keeper, whatever ends it.
    office::uno::OfficeProcess soffice(office::uno::OfficeLaunch{ProgramFolder(), state.pipe, folder + "/profile",
                                                                 folder + "/tmp", /*detached=*/false});
    soffice.WaitUntilAccepting(std::chrono::steady_clock::now() + 60s,
                               [&] { return office::uno::PipeAccepts(state.pipe); });
    state.office = soffice.pid();
    std::vector<std::string> files = {office::uno::PipeFile(state.pipe)};
    for (const std::string& f : office::uno::PipeFilesOf(state.office)) files.push_back(f);
    Touch(folder);
    WriteState(folder, state);
    while (!endAsked && soffice.running()) {
      std::this_thread::sleep_for(kPoll);
      if (::flock(busy.get(), LOCK_EX | LOCK_NB) != 0) {
        Touch(folder);  // in use: the idle time starts again
        continue;
      }
      ::flock(busy.get(), LOCK_UN);
      if (SecondsSinceUse(folder) < seconds) continue;
      // Under the lock no call attaches; one that attached just before
      // holds the busy file.
      ::flock(lock.get(), LOCK_EX);
      if (::flock(busy.get(), LOCK_EX | LOCK_NB) == 0 && SecondsSinceUse(folder) >= seconds) break;
      ::flock(busy.get(), LOCK_UN);
      ::flock(lock.get(), LOCK_UN);
    }
    // Ended under the lock (taken above, or now): no call attaches to an
    // office that is going. (Asked to end, by a stop that holds it.)
    if (!endAsked) ::flock(lock.get(), LOCK_EX);
    std::error_code ec;
    fs::remove(folder + "/state", ec);
    if (soffice.running()) {
      ::kill(soffice.pid(), SIGTERM);
      if (!soffice.WaitForExit(10s)) soffice.Kill();
    }
    Clean(folder, state.pipe, files);
    fs::remove(folder + "/documents", ec);
  } catch (const std::exception&) {
    return 1;
  }
  return 0;
}

}  // namespace quillet::cli
