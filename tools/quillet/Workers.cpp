#include "Workers.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "Commands.h"
#include "Processes.h"
#include "uno/PipeFiles.h"

extern char** environ;

namespace quillet::cli {

std::string Pack(const std::vector<std::string>& fields) {
  std::string out;
  for (const std::string& f : fields) {
    out += f;
    out.push_back('\0');
  }
  return out;
}

bool Unpack(std::string& buffer, size_t n, std::vector<std::string>& fields) {
  std::vector<std::string> got;
  size_t at = 0;
  for (size_t i = 0; i < n; ++i) {
    const size_t end = buffer.find('\0', at);
    if (end == std::string::npos) return false;
    got.push_back(buffer.substr(at, end - at));
    at = end + 1;
  }
  buffer.erase(0, at);
  fields = std::move(got);
  return true;
}

std::string PackAnswer(const Outcome& o) {
  return Pack({o.ok ? "1" : "0", o.error, std::to_string(o.milliseconds), std::to_string(static_cast<int>(o.failure)),
               o.code, SubstitutedFontsText(o.fonts), FallbackFontsText(o.fonts)});
}

bool UnpackAnswer(std::string& buffer, Outcome& outcome) {
  std::vector<std::string> f;
  if (!Unpack(buffer, 7, f)) return false;
  outcome = Outcome{f[0] == "1",
                    f[1],
                    std::stol(f[2]),
                    static_cast<Failure>(std::stoi(f[3])),
                    f[4],
                    ParseSubstitutedFonts(f[5], f[6])};
  return true;
}

namespace {

// A temporary folder of one worker's own, in the one this program was given:
// the library writes files of fixed names there (the macro route's job file
// quillet.ini, the PostScript file of a PDF printed to <name>.ps), which two
// workers converting at once would otherwise overwrite for each other.
// (A confined worker's is named briefly: its office's pipes live there.)
std::string MakeWorkerTemp(const char* name = "quillet-worker-XXXXXX") {
  const char* given = std::getenv("TMPDIR");
  std::string pattern = std::string(given && *given ? given : "/tmp") + "/" + name;
  if (!::mkdtemp(pattern.data()))
    throw std::runtime_error("a worker's temporary folder cannot be made in " + pattern.substr(0, pattern.rfind('/')) +
                             ": " + std::strerror(errno));
  return pattern;
}

// The longest folder that can hold an office's pipe sockets: a socket's path
// has room for 107 bytes, and the longest pipe LibreOffice makes is its
// "SingleOfficeIPC_" pipe, named with 32 hex digits.
size_t LongestPipeFolder() {
  return 107 - 1 - office::uno::PipeFileName("SingleOfficeIPC_" + std::string(32, '0')).size();
}

// A private folder for a confined worker's pipes where its own folder's
// path is too long for them: a short one in /tmp.
std::string MakePipeFolder() {
  std::string pattern = "/tmp/quillet-pipes-XXXXXX";
  if (!::mkdtemp(pattern.data()))
    throw std::runtime_error(
        "no folder for the office's pipes can be made in /tmp (a shorter TMPDIR "
        "would hold them): " +
        std::string(std::strerror(errno)));
  return pattern;
}

std::string Ending(int status) {
  if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
  return "exited with status " + std::to_string(WEXITSTATUS(status));
}

}  // namespace

std::string SelfProgram() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) throw std::runtime_error("this program cannot find itself to start workers");
  return std::string(path, static_cast<size_t>(n));
}

WorkerProcess::WorkerProcess(const std::string& program, const std::string& pipeName, const WorkerSetup& setup) {
  // Its standard input and output: the worker's ends and ours.
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error(std::strerror(errno));
  os::UniqueFd workerIn(ends[0]), in(ends[1]);
  if (::pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error(std::strerror(errno));
  os::UniqueFd out(ends[0]), workerOut(ends[1]);
  try {
    temp_ = setup.confine ? MakeWorkerTemp("w-XXXXXX") : MakeWorkerTemp();
    if (setup.confine && temp_.size() > LongestPipeFolder()) pipes_ = MakePipeFolder();
  } catch (...) {
    if (!temp_.empty()) ::rmdir(temp_.c_str());
    throw;
  }
  // Its own office: nothing listens on a pipe of this name. Its own
  // temporary folder.
  std::vector<std::string> set = {"QUILLET_OFFICE_PIPE=" + pipeName, "TMPDIR=" + temp_};
  if (setup.confine) {
    set.push_back("QUILLET_OFFICE_CONFINE=" + temp_);
    set.push_back("OSL_SOCKET_PATH=" + (pipes_.empty() ? temp_ : pipes_));
    // Counting documents would count the server's probes; the server
    // replaces the worker after its number of requests instead.
    set.push_back("QUILLET_OFFICE_RECYCLE_DOCUMENTS=2000000000");
    if (setup.isolate) set.push_back("QUILLET_OFFICE_ISOLATION=bwrap");
  }
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    const std::string entry = *e;
    bool replaced = entry.rfind("QUILLET_OFFICE_ISOLATION=", 0) == 0;
    for (const std::string& s : set)
      replaced = replaced || entry.compare(0, s.find('=') + 1, s, 0, s.find('=') + 1) == 0;
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), set.begin(), set.end());
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string self = program, mode = "worker", version = std::to_string(kWorkerPipeVersion);
  char* argv[] = {self.data(), mode.data(), version.data(), nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, workerIn.get(), 0);
  posix_spawn_file_actions_adddup2(&actions, workerOut.get(), 1);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Signals as a program starts with them, whatever this one blocks or ignores.
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int sig : {SIGPIPE, SIGTERM, SIGINT, SIGHUP}) sigaddset(&defaults, sig);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
  if (setup.ownGroup) {
    posix_spawnattr_setpgroup(&attributes, 0);
    flags |= POSIX_SPAWN_SETPGROUP;
  }
  posix_spawnattr_setflags(&attributes, flags);
  const int rc = ::posix_spawn(&pid_, program.c_str(), &actions, &attributes, argv, envp.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  // The worker has its own copies: the end of its output is seen once it has gone.
  workerIn.reset();
  workerOut.reset();
  if (rc != 0) {
    std::error_code ec;
    std::filesystem::remove_all(temp_, ec);
    if (!pipes_.empty()) std::filesystem::remove_all(pipes_, ec);
    throw std::runtime_error(std::string("a worker cannot be started: ") + std::strerror(rc));
  }
  in_ = std::move(in);
  out_ = std::move(out);
}

WorkerProcess::~WorkerProcess() {
  if (!waited_) Finish();
  in_.reset();
  out_.reset();
  std::error_code ec;
  for (std::string* folder : {&temp_, &pipes_})
    if (!folder->empty()) {
      std::filesystem::remove_all(*folder, ec);
      folder->clear();
    }
}

bool WorkerProcess::Send(const Request& r, const Confinement& c) {
  return in_ && os::WriteAll(in_.get(), Pack({r.source, r.destination, r.format, r.option, c.root,
                                              std::to_string(c.memoryBytes), std::to_string(c.resultBytes)}));
}

bool WorkerProcess::ReadSome() {
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(out_.get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    buffer_.append(chunk, static_cast<size_t>(n));
    return true;
  }
}

bool WorkerProcess::Answer(Outcome& outcome) { return UnpackAnswer(buffer_, outcome); }

bool WorkerProcess::Await(Outcome& outcome) {
  while (!Answer(outcome))
    if (!ReadSome()) return false;
  return true;
}

void WorkerProcess::CloseInput() { in_.reset(); }

std::string WorkerProcess::Finish(int graceMilliseconds) {
  if (waited_) return end_;
  CloseInput();
  int status = 0;
  for (int waited = 0;; waited += 20) {
    if (waited >= graceMilliseconds) {
      ::kill(pid_, SIGKILL);
      while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
      }
      break;
    }
    const pid_t got = ::waitpid(pid_, &status, WNOHANG);
    if (got == pid_ || (got < 0 && errno != EINTR)) break;
    ::usleep(20000);
  }
  waited_ = true;
  end_ = Ending(status);
  return end_;
}

std::string WorkerProcess::Kill() {
  if (waited_) return end_;
  // Its office is found under it while it lives: once it has gone, the
  // office would belong to nobody. An office killed leaves its pipes' files.
  const std::vector<pid_t> under = Descendants(pid_);
  const std::vector<std::string> pipes = office::uno::PipeFilesOf(pid_);
  ::kill(pid_, SIGKILL);
  KillAll(under);
  const std::string end = Finish(0);
  AllGone(under, 5000);
  std::error_code ec;
  for (const std::string& f : pipes) std::filesystem::remove(f, ec);
  return end;
}

namespace {

// One request in the worker: checked, and converted while watched. A ceiling
// passed is the worker's failure, whatever the library said of the office it
// ended.
Outcome Serve(const Request& request, const Confinement& confinement) {
  if (!confinement.root.empty()) {
    const std::string outside = OutsideRoot(confinement.root, request.source, request.destination);
    if (!outside.empty()) return Outcome{false, outside, 0, Failure::Refused};
  }
  CeilingWatch watch(confinement, std::filesystem::path(request.destination).parent_path().string());
  const Outcome outcome = Convert(request);
  if (const Failure passed = watch.Stop(); passed != Failure::None)
    return Outcome{false, CeilingText(passed, confinement), outcome.milliseconds, passed};
  return outcome;
}

uint64_t Bytes(const std::string& text) { return std::strtoull(text.c_str(), nullptr, 10); }

}  // namespace

int ServeAsWorker(const std::string& version) {
  if (version != std::to_string(kWorkerPipeVersion)) {
    std::fprintf(stderr, "quillet worker: started for version %s of the worker messages, this program speaks %d\n",
                 version.empty() ? "1" : version.c_str(), kWorkerPipeVersion);
    return kUsage;
  }
  std::string buffer;
  char chunk[65536];
  std::vector<std::string> fields;
  for (;;) {
    while (Unpack(buffer, 7, fields)) {
      const Outcome o = Serve({fields[0], fields[1], fields[2], fields[3]},
                              Confinement{fields[4], Bytes(fields[5]), Bytes(fields[6])});
      if (!os::WriteAll(1, PackAnswer(o))) return 1;
    }
    const ssize_t n = ::read(0, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;
    buffer.append(chunk, static_cast<size_t>(n));
  }
}

void RunInWorkers(const std::vector<Request>& requests, size_t jobs, const std::function<void(size_t)>& started,
                  const std::function<void(size_t, const Outcome&)>& finished, const std::vector<std::string>& attach) {
  ::signal(SIGPIPE, SIG_IGN);  // a worker that died is seen at its output's end
  const std::string program = SelfProgram();
  size_t next = 0, spawned = 0;
  struct Slot {
    std::unique_ptr<WorkerProcess> process;
    long busy = -1;  // the request it works on
  };
  std::vector<Slot> workers;
  // A warm office to attach to, else a pipe on which nothing listens.
  auto spawn = [&] {
    const size_t i = workers.size();
    ++spawned;
    return std::make_unique<WorkerProcess>(
        program,
        i < attach.size() ? attach[i] : "quillet-worker-" + std::to_string(::getpid()) + "-" + std::to_string(spawned));
  };
  auto hand = [&](Slot& w) {
    if (next >= requests.size()) {
      w.process->CloseInput();  // no more work: the worker ends and gives its office back
      w.busy = -1;
      return;
    }
    w.busy = static_cast<long>(next++);
    started(static_cast<size_t>(w.busy));
    // A worker that cannot take it has died: its end is seen at its output.
    (void)w.process->Send(requests[static_cast<size_t>(w.busy)]);
  };
  for (size_t i = 0; i < std::min(jobs, requests.size()); ++i) workers.push_back({spawn(), -1});
  for (Slot& w : workers) hand(w);

  for (;;) {
    std::vector<pollfd> fds;
    std::vector<Slot*> polled;
    for (Slot& w : workers)
      if (w.busy >= 0) {
        fds.push_back({w.process->output(), POLLIN, 0});
        polled.push_back(&w);
      }
    if (fds.empty()) break;
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
    }
    for (size_t i = 0; i < fds.size(); ++i) {
      Slot& w = *polled[i];
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      if (w.process->ReadSome()) {
        Outcome o;
        while (w.busy >= 0 && w.process->Answer(o)) {
          finished(static_cast<size_t>(w.busy), o);
          hand(w);
        }
        continue;
      }
      // The worker has died: its request fails and another takes its place.
      const std::string end = w.process->Finish(0);
      finished(static_cast<size_t>(w.busy),
               Outcome{false, "the worker process ended (" + end + ")", 0, Failure::Worker});
      w.busy = -1;
      if (next < requests.size()) {
        w.process = spawn();  // with an office of its own
        hand(w);
      }
    }
  }
}

}  // namespace quillet::cli
