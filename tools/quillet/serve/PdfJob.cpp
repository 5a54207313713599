#include "PdfJob.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

#include "PdfWork.h"
#include "Serve.h"
#include "Workers.h"
#include "platform/unique_fd.h"

extern char** environ;

namespace quillet::cli {

namespace serve {

using nlohmann::json;

namespace {

// The most a job or an answer may take on its pipe: both are small (paths,
// names, metadata under its ceilings); more is a fault.
constexpr size_t kMostPipeBytes = size_t(64) << 20;

json SplitJson(const SplitMode& mode) {
  json spans = json::array();
  for (const PageSpan& s : mode.spans) spans.push_back({s.first, s.last});
  return {{"pages", mode.kind == SplitMode::Kind::Pages},
          {"interval", mode.interval},
          {"spans", spans},
          {"unify", mode.unify}};
}

SplitMode SplitOf(const json& j) {
  SplitMode mode;
  mode.kind = j.at("pages").get<bool>() ? SplitMode::Kind::Pages : SplitMode::Kind::Intervals;
  mode.interval = j.at("interval").get<int>();
  for (const json& s : j.at("spans")) mode.spans.push_back({s.at(0).get<int>(), s.at(1).get<int>()});
  mode.unify = j.at("unify").get<bool>();
  return mode;
}

// Texts that are any bytes (paths, the clients' names, passwords) go over the
// pipes in hexadecimal: JSON takes only UTF-8, and no byte may change.
std::string Hex(const std::string& bytes) {
  static const char* kDigits = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * bytes.size());
  for (const unsigned char c : bytes) hex += {kDigits[c >> 4], kDigits[c & 15]};
  return hex;
}

std::string Bytes(const json& j) {
  const std::string hex = j.get<std::string>();
  if (hex.size() % 2) throw std::invalid_argument("odd hexadecimal");
  auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    throw std::invalid_argument("not hexadecimal");
  };
  std::string bytes;
  for (size_t i = 0; i < hex.size(); i += 2) bytes.push_back(static_cast<char>(digit(hex[i]) << 4 | digit(hex[i + 1])));
  return bytes;
}

json PdfsJson(const std::vector<MadePdf>& pdfs) {
  json list = json::array();
  for (const MadePdf& pdf : pdfs) list.push_back({Hex(pdf.path), Hex(pdf.stem)});
  return list;
}

std::vector<MadePdf> PdfsOf(const json& j) {
  std::vector<MadePdf> pdfs;
  for (const json& pdf : j) pdfs.push_back({Bytes(pdf.at(0)), Bytes(pdf.at(1))});
  return pdfs;
}

// Lowers Resource to Value (never above its hard limit, which a process may
// not raise); Hard, when larger, stays the hard limit.
void Lower(int resource, rlim_t value, rlim_t hard = 0) {
  rlimit now{};
  if (::getrlimit(resource, &now) != 0) return;
  hard = std::max(hard, value);
  if (now.rlim_max != RLIM_INFINITY) {
    value = std::min(value, now.rlim_max);
    hard = std::min(hard, now.rlim_max);
  }
  const rlimit lowered{value, hard};
  ::setrlimit(resource, &lowered);
}

// What the child does with its job: the answer it writes.
json Work(const PdfJob& job) {
  try {
    std::vector<MadePdf> pdfs = job.pdfs;
    if (job.check)
      for (const MadePdf& pdf : pdfs) CheckPdf(pdf.path);
    if (job.readMetadata) {
      json all = json::array();
      for (const MadePdf& pdf : pdfs) all.push_back(ReadPdfMetadata(pdf.path));
      return {{"metadata", all}};
    }
    return {{"pdfs", PdfsJson(FinishPdfs(std::move(pdfs), job.after, job.folder, job.mergedStem))}};
  } catch (const PdfRefused& e) {
    return {{"refused", e.what()}};
  } catch (const PdfResultsTooLarge& e) {
    return {{"ceiling", e.what()}};
  } catch (const std::bad_alloc&) {
    return {{"memory", true}};
  } catch (const std::exception& e) {
    return {{"error", e.what()}};
  }
}

std::string Ended(int status, const PdfJobLimits& limits, PdfJobAnswer& answer) {
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) {
    answer.status = 422;
    const uint64_t output = limits.outputBytes ? limits.outputBytes : kPdfJobOutput;
    return "the results of the PDF work are larger than the ceiling of " + std::to_string(output >> 20) +
           " MiB (--max-result)";
  }
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) {
    answer.status = 504;
    return "the PDF work passed its processor time of " + std::to_string(limits.seconds + 1) + " seconds";
  }
  answer.status = 422;
  if (WIFSIGNALED(status))
    return "the PDF work ended under the files (signal " + std::to_string(WTERMSIG(status)) +
           "): a file it cannot read, or one that passed its ceilings";
  return "the PDF work ended under the files (status " + std::to_string(WEXITSTATUS(status)) + ") without an answer";
}

}  // namespace

json JobJson(const PdfJob& job) {
  json after = {{"merge", job.after.merge},
                {"archival", job.after.archival},
                {"flatten", job.after.flatten},
                {"userPassword", Hex(job.after.userPassword)},
                {"ownerPassword", Hex(job.after.ownerPassword)}};
  if (job.after.split) after["split"] = SplitJson(*job.after.split);
  if (job.after.metadata) after["metadata"] = *job.after.metadata;
  return {{"check", job.check}, {"readMetadata", job.readMetadata}, {"pdfs", PdfsJson(job.pdfs)},
          {"after", after},     {"folder", Hex(job.folder)},        {"mergedStem", Hex(job.mergedStem)}};
}

PdfJob JobOf(const json& j) {
  PdfJob job;
  job.check = j.at("check").get<bool>();
  job.readMetadata = j.at("readMetadata").get<bool>();
  job.pdfs = PdfsOf(j.at("pdfs"));
  const json& after = j.at("after");
  job.after.merge = after.at("merge").get<bool>();
  job.after.archival = after.at("archival").get<bool>();
  job.after.flatten = after.at("flatten").get<bool>();
  job.after.userPassword = Bytes(after.at("userPassword"));
  job.after.ownerPassword = Bytes(after.at("ownerPassword"));
  if (after.contains("split")) job.after.split = SplitOf(after.at("split"));
  if (after.contains("metadata")) job.after.metadata = after.at("metadata");
  job.folder = Bytes(j.at("folder"));
  job.mergedStem = Bytes(j.at("mergedStem"));
  return job;
}

std::vector<std::string> PdfJobArguments(const std::string& program, pid_t server, const PdfJobLimits& limits) {
  const uint64_t memory = limits.memoryBytes ? limits.memoryBytes : kPdfJobMemory;
  return {program,
          "pdf-job",
          std::to_string(server),
          std::to_string(memory),
          std::to_string(std::max(limits.seconds, 1) + 1),
          std::to_string(std::max(limits.files, 8)),
          std::to_string(limits.outputBytes ? limits.outputBytes : kPdfJobOutput)};
}

PdfJobAnswer RunPdfJob(const PdfJob& job, const PdfJobLimits& limits, const Connection* connection) {
  PdfJobAnswer answer;
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0)
    throw std::runtime_error(std::string("no pipe for the PDF work: ") + std::strerror(errno));
  os::UniqueFd childIn(ends[0]), in(ends[1]);
  if (::pipe2(ends, O_CLOEXEC) != 0)
    throw std::runtime_error(std::string("no pipe for the PDF work: ") + std::strerror(errno));
  os::UniqueFd out(ends[0]), childOut(ends[1]);

  std::vector<std::string> arguments = PdfJobArguments(SelfProgram(), ::getpid(), limits);
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);

  // Its standard input and output are the pipes, its errors go nowhere, and
  // it holds no other descriptor of the server's (its sockets among them).
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, childIn.get(), 0);
  posix_spawn_file_actions_adddup2(&actions, childOut.get(), 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Signals as a program starts with them, whatever the server blocks or ignores.
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int sig : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGXCPU}) sigaddset(&defaults, sig);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  childIn.reset();
  childOut.reset();
  if (rc != 0) throw std::runtime_error(std::string("the PDF work cannot be started: ") + std::strerror(rc));

  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(std::max(limits.seconds, 1));
  // The job is written as the child reads it, within the same deadline: a
  // child that does not read cannot hold the server (its input does not
  // block), one that died is seen at its output's end.
  const std::string text = JobJson(job).dump();
  size_t written = 0;
  ::fcntl(in.get(), F_SETFL, ::fcntl(in.get(), F_GETFL) | O_NONBLOCK);
  std::string buffer;
  std::string ended;
  bool killed = false;
  for (;;) {
    pollfd p[2] = {{out.get(), POLLIN, 0}, {in ? in.get() : -1, POLLOUT, 0}};
    if (::poll(p, 2, 100) > 0) {
      if (in && (p[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
        const ssize_t n = ::write(in.get(), text.data() + written, text.size() - written);
        if (n > 0) written += static_cast<size_t>(n);
        if ((n < 0 && errno != EINTR && errno != EAGAIN) || written == text.size()) in.reset();
      }
      if (p[0].revents & (POLLIN | POLLERR | POLLHUP)) {
        char chunk[65536];
        const ssize_t n = ::read(out.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        buffer.append(chunk, static_cast<size_t>(n));
        if (buffer.size() > kMostPipeBytes) {
          answer.status = 500, ended = "the PDF work answered more than it may";
          killed = true;
          break;
        }
      }
    }
    if (connection && connection->ClientGone()) {
      answer.status = 499, ended = "the client went away";
      killed = true;
      break;
    }
    if (Clock::now() > deadline) {
      answer.status = 504, ended = "the PDF work did not end within " + std::to_string(limits.seconds) + " seconds";
      killed = true;
      break;
    }
  }
  if (killed) ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (killed) {
    answer.error = ended;
    return answer;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    answer.error = Ended(status, limits, answer);
    return answer;
  }
  try {
    const json said = json::parse(buffer);
    if (said.contains("refused")) {
      answer.status = 400, answer.error = said.at("refused").get<std::string>();
    } else if (said.contains("ceiling")) {
      answer.status = 422, answer.error = said.at("ceiling").get<std::string>();
    } else if (said.contains("memory")) {
      const uint64_t memory = limits.memoryBytes ? limits.memoryBytes : kPdfJobMemory;
      answer.status = 422;
      answer.error = "the PDF work passed its memory ceiling of " + std::to_string(memory >> 20) + " MiB";
    } else if (said.contains("error")) {
      answer.status = 500, answer.error = said.at("error").get<std::string>();
    } else if (said.contains("metadata")) {
      for (const json& m : said.at("metadata")) answer.metadata.push_back(m);
      if (answer.metadata.size() != job.pdfs.size()) throw std::runtime_error("metadata of other files");
    } else {
      answer.pdfs = PdfsOf(said.at("pdfs"));
      // The files it names are the request's own.
      for (const MadePdf& pdf : answer.pdfs)
        if (pdf.path.compare(0, job.folder.size() + 1, job.folder + "/") != 0 ||
            pdf.path.find("/../") != std::string::npos)
          throw std::runtime_error("a file outside the request's folder");
    }
  } catch (const std::exception& e) {
    return {500, std::string("the PDF work answered what cannot be read: ") + e.what(), {}, {}};
  }
  return answer;
}

}  // namespace serve

int RunPdfJob(int argc, char** argv) {
  // It dies with the server (with the thread that started it, which waits for
  // it to end); a server that died before this line is seen as another parent.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (argc != 7 || std::to_string(::getppid()) != argv[2]) return 2;
  try {
    serve::Lower(RLIMIT_CORE, 0);
    serve::Lower(RLIMIT_AS, std::stoull(argv[3]));
    const rlim_t seconds = std::stoul(argv[4]);
    serve::Lower(RLIMIT_CPU, seconds, seconds + 1);
    serve::Lower(RLIMIT_NOFILE, std::stoul(argv[5]));
    // No file larger than all it may write (passed, SIGXFSZ ends it), and
    // all of them counted.
    const uint64_t output = std::stoull(argv[6]);
    serve::Lower(RLIMIT_FSIZE, output);
    serve::SetPdfOutputCeiling(output);
  } catch (const std::exception&) {
    return 2;
  }
  std::string text;
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(0, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return 2;
    if (n == 0) break;
    text.append(chunk, static_cast<size_t>(n));
    if (text.size() > serve::kMostPipeBytes) return 2;
  }
  serve::PdfJob job;
  try {
    job = serve::JobOf(nlohmann::json::parse(text));
  } catch (const std::exception&) {
    return 2;
  }
  const std::string answer = serve::Work(job).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  return os::WriteAll(1, answer) ? 0 : 1;
}

}  // namespace quillet::cli
