#include "uno/Launcher.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "automation/Failure.h"
#include "platform/unique_fd.h"
#include "uno/PipeFiles.h"
#include "utilities/automation/FailureKinds.h"

extern char** environ;

namespace quillet::office::uno {

namespace {

using os::UniqueFd;

// Debian's bubblewrap; named by its full path, so that no other program of
// that name on the PATH is taken for it.
constexpr const char* kBubblewrap = "/usr/bin/bwrap";

// A file URL of Path, every byte but the unreserved ones and '/' escaped.
std::string FileUrlOf(const std::string& path) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  if (ec) absolute = path;
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (const unsigned char c : absolute.lexically_normal().string()) {
    if (std::isalnum(c) || std::strchr("/-._~", c)) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Folder as an absolute path without a trailing delimiter; raises Failure
// when it is no folder. What names it in the failure: Variable.
std::string ExistingFolder(const std::string& folder, const char* variable) {
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) throw Failure(std::string(variable) + " names no folder: " + folder);
  std::string absolute = std::filesystem::absolute(folder, ec).lexically_normal().string();
  while (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
  return absolute;
}

// The file an isolated office knows as /etc/passwd.
std::string AccountFile(const OfficeLaunch& launch) { return launch.tempFolder + "/passwd"; }

// What every isolated process gets: its own network (loopback alone), pid,
// IPC, UTS and cgroup namespaces; no capabilities, no terminal, no
// environment of ours; it dies when its starter does. Of the system it sees
// /usr and the few files under /etc that LibreOffice reads (its fonts'
// configuration, its own configuration layers, the loader's cache, the time
// zone), the fonts' caches, a private /dev and /proc, and an empty /tmp.
std::vector<std::string> SandboxBase() {
  return {"--unshare-net",
          "--unshare-pid",
          "--unshare-ipc",
          "--unshare-uts",
          "--unshare-cgroup-try",
          "--die-with-parent",
          "--new-session",
          "--cap-drop",
          "ALL",
          "--clearenv",
          "--ro-bind",
          "/usr",
          "/usr",
          "--symlink",
          "usr/lib",
          "/lib",
          "--symlink",
          "usr/lib64",
          "/lib64",
          "--symlink",
          "usr/bin",
          "/bin",
          "--ro-bind-try",
          "/etc/fonts",
          "/etc/fonts",
          "--ro-bind-try",
          "/etc/libreoffice",
          "/etc/libreoffice",
          "--ro-bind-try",
          "/etc/ld.so.cache",
          "/etc/ld.so.cache",
          "--ro-bind-try",
          "/etc/localtime",
          "/etc/localtime",
          "--ro-bind-try",
          "/var/cache/fontconfig",
          "/var/cache/fontconfig",
          "--dev",
          "/dev",
          "--proc",
          "/proc",
          "--tmpfs",
          "/tmp",
          "--setenv",
          "PATH",
          "/usr/bin:/bin"};
}

// The variables of ours an isolated office keeps: those of language and time
// (they decide its locale, hence how numbers and dates are written) and
// LibreOffice's own. Any other may hold what is not the office's business.
bool KeptInSandbox(const std::string& entry) {
  const std::string name = entry.substr(0, entry.find('='));
  return name == "LANG" || name == "LANGUAGE" || name == "TZ" || name.rfind("LC_", 0) == 0 ||
         name.rfind("SAL_", 0) == 0;
}

std::vector<std::string> SandboxOf(const OfficeLaunch& launch) {
  const Confinement& walls = launch.confinement;
  std::vector<std::string> args = SandboxBase();
  // A LibreOffice installed outside /usr: its whole installation, read-only.
  if (launch.programFolder.rfind("/usr/", 0) != 0) {
    const std::string installation = std::filesystem::path(launch.programFolder).parent_path().string();
    args.insert(args.end(), {"--ro-bind", installation, installation});
  }
  args.insert(args.end(), {"--ro-bind", AccountFile(launch), "/etc/passwd"});
  // Its own folders, read-write at their own paths (the parents first, so
  // that none hides another).
  std::vector<std::string> writable = {walls.folder, walls.pipeFolder, launch.profileFolder, launch.tempFolder};
  std::sort(writable.begin(), writable.end(),
            [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
  writable.erase(std::unique(writable.begin(), writable.end()), writable.end());
  for (const std::string& folder : writable) args.insert(args.end(), {"--bind", folder, folder});
  // /tmp read-only (and /var/tmp missing), which is what makes LibreOffice
  // put its pipes where OSL_SOCKET_PATH says; its temporary files go to its
  // TMPDIR. The root, made by bubblewrap, is read-only too.
  args.insert(args.end(), {"--remount-ro", "/tmp", "--remount-ro", "/", "--chdir", launch.tempFolder});
  args.insert(args.end(), {"--setenv", "HOME", launch.tempFolder, "--setenv", "TMPDIR", launch.tempFolder, "--setenv",
                           "OSL_SOCKET_PATH", walls.pipeFolder});
  for (char** e = environ; e && *e; ++e) {
    const std::string entry = *e;
    if (KeptInSandbox(entry))
      args.insert(args.end(), {"--setenv", entry.substr(0, entry.find('=')), entry.substr(entry.find('=') + 1)});
  }
  return args;
}

}  // namespace

Confinement ConfinementOfEnvironment() {
  Confinement walls;
  const std::string folder = Variable("QUILLET_OFFICE_CONFINE");
  const std::string isolation = Variable("QUILLET_OFFICE_ISOLATION");
  if (folder.empty()) {
    if (!isolation.empty() && isolation != "none")
      throw Failure("QUILLET_OFFICE_ISOLATION needs QUILLET_OFFICE_CONFINE, the folder the office may use");
    return walls;
  }
  walls.folder = ExistingFolder(folder, "QUILLET_OFFICE_CONFINE");
  if (isolation == "bwrap") {
    walls.isolated = true;
    const std::string sockets = Variable("OSL_SOCKET_PATH");
    walls.pipeFolder = sockets.empty() ? walls.folder : ExistingFolder(sockets, "OSL_SOCKET_PATH");
  } else if (!isolation.empty() && isolation != "none") {
    throw Failure("QUILLET_OFFICE_ISOLATION names no known isolation (bwrap or none): " + isolation);
  }
  return walls;
}

std::string WellKnownPipe() {
  if (const char* pipe = std::getenv("QUILLET_OFFICE_PIPE"); pipe && *pipe) return pipe;
  return "quillet-office";
}

std::string PipeFolder() {
  if (::access("/tmp", W_OK) == 0) return "/tmp";
  if (::access("/var/tmp", W_OK) == 0) return "/var/tmp";
  return Variable("OSL_SOCKET_PATH");
}

std::string PipeFile(const std::string& pipe) { return PipeFile(pipe, PipeFolder()); }

std::string PipeFile(const std::string& pipe, const std::string& folder) { return folder + "/" + PipeFileName(pipe); }

std::string PipeFileOf(const OfficeLaunch& launch) {
  return launch.confinement.isolated ? PipeFile(launch.pipe, launch.confinement.pipeFolder) : PipeFile(launch.pipe);
}

bool PipeAccepts(const std::string& pipe) { return SocketAccepts(PipeFile(pipe)); }

bool SocketAccepts(const std::string& file) { return static_cast<bool>(ConnectToSocket(file)); }

UniqueFd ConnectToSocket(const std::string& file) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (file.size() >= sizeof address.sun_path) return {};
  std::memcpy(address.sun_path, file.c_str(), file.size() + 1);
  // Without waiting: a listener that takes no connections (stopped, or
  // with its queue full) does not accept.
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!fd || ::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return {};
  return fd;
}

void RequireSoffice(const std::string& programFolder) {
  if (::access((programFolder + "/soffice.bin").c_str(), X_OK) != 0)
    throw Failure(
        "LibreOffice is not installed: install the Debian packages libreoffice-core, libreoffice-writer, "
        "libreoffice-calc and libreoffice-impress",
        ole::kNotInstalled);
}

OfficeCommand CommandOf(const OfficeLaunch& launch) {
  const std::string soffice = launch.programFolder + "/soffice.bin";
  std::vector<std::string> office = {"--headless",
                                     "--invisible",
                                     "--nologo",
                                     "--norestore",
                                     "--nodefault",
                                     "--nolockcheck",
                                     "--accept=pipe,name=" + launch.pipe + ";urp;",
                                     "-env:UserInstallation=" + FileUrlOf(launch.profileFolder)};
  if (!launch.confinement.isolated) return {soffice, office, {"TMPDIR=" + launch.tempFolder}};
  std::vector<std::string> args = SandboxOf(launch);
  args.push_back("--");
  args.push_back(soffice);
  args.insert(args.end(), office.begin(), office.end());
  return {kBubblewrap, args, {}, true};
}

void PrepareLaunch(const OfficeLaunch& launch) {
  if (!launch.confinement.isolated) return;
  // LibreOffice names its pipes with the user's number, which it asks the
  // account database for: it gets this user alone, at home in its
  // temporary folder.
  passwd entry{};
  passwd* account = nullptr;
  char buffer[4096];
  ::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &account);
  const std::string name = account && account->pw_name ? account->pw_name : "quillet";
  std::ofstream out(AccountFile(launch), std::ios::trunc);
  out << name << ":x:" << ::getuid() << ':' << ::getgid() << "::" << launch.tempFolder << ":/bin/false\n";
  if (!out.flush()) throw Failure("LibreOffice cannot be walled in: " + AccountFile(launch) + " cannot be written");
}

bool OfficeIsolationWorks(std::string& why) {
  if (::access(kBubblewrap, X_OK) != 0) {
    why = std::string("bubblewrap is not installed (") + kBubblewrap + "): install the Debian package bubblewrap";
    return false;
  }
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) {
    why = std::string("no pipe for bubblewrap's messages: ") + std::strerror(errno);
    return false;
  }
  UniqueFd messages(ends[0]), writeEnd(ends[1]);
  std::vector<std::string> args = SandboxBase();
  args.insert(args.begin(), kBubblewrap);
  args.insert(args.end(), {"--", "/usr/bin/true"});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), 2);
  pid_t child = 0;
  const int spawned = ::posix_spawn(&child, kBubblewrap, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  writeEnd.reset();
  if (spawned != 0) {
    why = std::string("bubblewrap cannot be run: ") + std::strerror(spawned);
    return false;
  }
  // What it says until it ends, for ten seconds at most.
  std::string said;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd wait{messages.get(), POLLIN, 0};
    if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[512];
    const ssize_t n = ::read(messages.get(), buffer, sizeof buffer);
    if (n <= 0) break;
    said.append(buffer, static_cast<size_t>(n));
  }
  // (Its messages end as it exits: it is reaped a moment later.)
  int status = 0;
  pid_t ended = 0;
  while ((ended = ::waitpid(child, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
    ::usleep(10000);
  if (ended == 0) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    why = "bubblewrap did not end within ten seconds";
    return false;
  }
  if (ended < 0) {
    why = std::string("bubblewrap's end cannot be learned: ") + std::strerror(errno);
    return false;
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  said = said.substr(0, said.find('\n'));
  why = "bubblewrap cannot make the office's namespaces here: " +
        (said.empty() ? std::string(WIFEXITED(status) ? "it exited with status " + std::to_string(WEXITSTATUS(status))
                                                      : "it was ended by a signal")
                      : said);
  return false;
}

}  // namespace quillet::office::uno
