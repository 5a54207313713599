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
#include <stdexcept>

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

namespace {

bool WriteAll(int fd, const std::string& data) {
  size_t at = 0;
  while (at < data.size()) {
    const ssize_t n = ::write(fd, data.data() + at, data.size() - at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    at += static_cast<size_t>(n);
  }
  return true;
}

struct Worker {
  pid_t pid = 0;
  int in = -1, out = -1;  // its standard input (ours to write), its standard output (ours to read)
  std::string buffer;
  long busy = -1;  // the request it works on
  std::string temp;  // its temporary folder, removed once it has ended
};

// A temporary folder of one worker's own, in the one this program was given:
// the library writes files of fixed names there (the macro route's job file
// quillet.ini, the PostScript file of a PDF printed to <name>.ps), which two
// workers converting at once would otherwise overwrite for each other.
std::string MakeWorkerTemp() {
  const char* given = std::getenv("TMPDIR");
  std::string pattern = std::string(given && *given ? given : "/tmp") + "/quillet-worker-XXXXXX";
  if (!::mkdtemp(pattern.data()))
    throw std::runtime_error("a worker's temporary folder cannot be made in " +
                             pattern.substr(0, pattern.rfind('/')) + ": " + std::strerror(errno));
  return pattern;
}

void RemoveWorkerTemp(Worker& w) {
  if (w.temp.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(w.temp, ec);
  w.temp.clear();
}

std::string SelfProgram() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) throw std::runtime_error("this program cannot find itself to start workers");
  return std::string(path, static_cast<size_t>(n));
}

Worker Spawn(const std::string& program, const std::string& pipeName) {
  int toWorker[2], fromWorker[2];
  if (::pipe2(toWorker, O_CLOEXEC) != 0) throw std::runtime_error(std::strerror(errno));
  if (::pipe2(fromWorker, O_CLOEXEC) != 0) {
    ::close(toWorker[0]);
    ::close(toWorker[1]);
    throw std::runtime_error(std::strerror(errno));
  }
  std::string temp;
  try {
    temp = MakeWorkerTemp();
  } catch (...) {
    for (int fd : {toWorker[0], toWorker[1], fromWorker[0], fromWorker[1]}) ::close(fd);
    throw;
  }
  // Its own office: nothing listens on a pipe of this name. Its own
  // temporary folder.
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e)
    if (std::strncmp(*e, "QUILLET_OFFICE_PIPE=", 20) != 0 && std::strncmp(*e, "TMPDIR=", 7) != 0) env.push_back(*e);
  env.push_back("QUILLET_OFFICE_PIPE=" + pipeName);
  env.push_back("TMPDIR=" + temp);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string self = program, mode = "worker";
  char* argv[] = {self.data(), mode.data(), nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toWorker[0], 0);
  posix_spawn_file_actions_adddup2(&actions, fromWorker[1], 1);
  Worker w;
  const int rc = ::posix_spawn(&w.pid, program.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(toWorker[0]);
  ::close(fromWorker[1]);
  w.temp = temp;
  if (rc != 0) {
    ::close(toWorker[1]);
    ::close(fromWorker[0]);
    RemoveWorkerTemp(w);
    throw std::runtime_error(std::string("a worker cannot be started: ") + std::strerror(rc));
  }
  w.in = toWorker[1];
  w.out = fromWorker[0];
  return w;
}

std::string EndOf(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
  return "exited with status " + std::to_string(WEXITSTATUS(status));
}

}  // namespace

int ServeAsWorker() {
  std::string buffer;
  char chunk[65536];
  std::vector<std::string> fields;
  for (;;) {
    while (Unpack(buffer, 4, fields)) {
      const Outcome o = Convert({fields[0], fields[1], fields[2], fields[3]});
      if (!WriteAll(1, Pack({o.ok ? "1" : "0", o.error, std::to_string(o.milliseconds)}))) return 1;
    }
    const ssize_t n = ::read(0, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;
    buffer.append(chunk, static_cast<size_t>(n));
  }
}

void RunInWorkers(const std::vector<Request>& requests, size_t jobs, const std::function<void(size_t)>& started,
                  const std::function<void(size_t, const Outcome&)>& finished) {
  ::signal(SIGPIPE, SIG_IGN);  // a worker that died is seen at its output's end
  const std::string program = SelfProgram();
  size_t next = 0, spawned = 0;
  std::vector<Worker> workers;
  auto pipeName = [&] { return "quillet-worker-" + std::to_string(::getpid()) + "-" + std::to_string(spawned++); };
  auto hand = [&](Worker& w) {
    if (next >= requests.size()) {
      ::close(w.in);  // no more work: the worker ends and gives its office back
      w.in = -1;
      w.busy = -1;
      return;
    }
    const Request& r = requests[next];
    w.busy = static_cast<long>(next++);
    started(static_cast<size_t>(w.busy));
    // A worker that cannot take it has died: its end is seen at its output.
    (void)WriteAll(w.in, Pack({r.source, r.destination, r.format, r.option}));
  };
  for (size_t i = 0; i < std::min(jobs, requests.size()); ++i) workers.push_back(Spawn(program, pipeName()));
  for (Worker& w : workers) hand(w);

  size_t running = workers.size();
  while (running > 0) {
    std::vector<pollfd> fds;
    for (const Worker& w : workers) fds.push_back({w.out, static_cast<short>(w.out >= 0 ? POLLIN : 0), 0});
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
    }
    for (size_t i = 0; i < workers.size(); ++i) {
      Worker& w = workers[i];
      if (w.out < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char chunk[65536];
      const ssize_t n = ::read(w.out, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n > 0) {
        w.buffer.append(chunk, static_cast<size_t>(n));
        std::vector<std::string> f;
        while (w.busy >= 0 && Unpack(w.buffer, 3, f)) {
          const size_t done = static_cast<size_t>(w.busy);
          finished(done, Outcome{f[0] == "1", f[1], std::stol(f[2])});
          hand(w);
        }
        continue;
      }
      // The worker has ended: of itself once its input closed, or by dying.
      ::close(w.out);
      w.out = -1;
      if (w.in >= 0) ::close(w.in);
      w.in = -1;
      const std::string end = EndOf(w.pid);
      RemoveWorkerTemp(w);
      --running;
      if (w.busy >= 0) {
        finished(static_cast<size_t>(w.busy), Outcome{false, "the worker process ended (" + end + ")", 0});
        w.busy = -1;
        if (next < requests.size()) {
          w = Spawn(program, pipeName());
          ++running;
          hand(w);
        }
      }
    }
  }
}

}  // namespace quillet::cli
