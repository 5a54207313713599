#include "uno/Office.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

#include <com/sun/star/lang/DisposedException.hpp>

#include "automation/Failure.h"
#include "platform/file.h"
#include "uno/LocalContext.h"
#include "uno/PipeFiles.h"

namespace quillet::office::uno {

namespace {

using namespace std::chrono_literals;

constexpr auto kStartTimeout = 60s;
constexpr auto kTerminateTimeout = 15s;

// The office of the process. Held weakly: the applications own it.
struct Shared {
  std::mutex lock;
  std::weak_ptr<Office> office;
  bool exitHookInstalled = false;
  // The pipes of the user's offices that stopped answering once: this
  // process does not attach to them again (a new connection could wait for
  // ever as well). Under a lock of its own: an abort marks one while an
  // acquire may hold the lock above.
  std::mutex failedLock;
  std::set<std::string> failedPipes;

  void Failed(const std::string& pipe) {
    std::lock_guard<std::mutex> guard(failedLock);
    failedPipes.insert(pipe);
  }
  bool HasFailed(const std::string& pipe) {
    std::lock_guard<std::mutex> guard(failedLock);
    return failedPipes.count(pipe) != 0;
  }
};

Shared& TheShared() {
  static Shared* shared = new Shared;  // lives until the very end of the process
  return *shared;
}

// The office being started, if any. Its start runs under the lock of Shared,
// so it is reachable here, under a lock of its own: ending it ends the start
// at once, whatever the start waits for.
struct Starting {
  std::mutex lock;
  OfficeProcess* process = nullptr;
};

Starting& TheStarting() {
  static Starting* starting = new Starting;  // lives until the very end of the process
  return *starting;
}

// The connection being made to the user's office, if any: disposing it
// releases the attach, whatever it waits for. Reachable, like the office
// being started, without the lock of Shared that the attach runs under.
struct Attaching {
  std::mutex lock;
  std::shared_ptr<Connection> connection;
  std::string pipe;
};

Attaching& TheAttaching() {
  static Attaching* attaching = new Attaching;  // lives until the very end of the process
  return *attaching;
}

// Makes Connection the one being made for as long as the object lives.
class AttachingGuard {
 public:
  AttachingGuard(std::shared_ptr<Connection> connection, const std::string& pipe) {
    std::lock_guard<std::mutex> guard(TheAttaching().lock);
    TheAttaching().connection = std::move(connection);
    TheAttaching().pipe = pipe;
  }
  ~AttachingGuard() {
    std::lock_guard<std::mutex> guard(TheAttaching().lock);
    TheAttaching().connection.reset();
  }
  AttachingGuard(const AttachingGuard&) = delete;
  AttachingGuard& operator=(const AttachingGuard&) = delete;
};

// Makes Process the one being started for as long as the object lives.
class StartingGuard {
 public:
  explicit StartingGuard(OfficeProcess* process) {
    std::lock_guard<std::mutex> guard(TheStarting().lock);
    TheStarting().process = process;
  }
  ~StartingGuard() {
    std::lock_guard<std::mutex> guard(TheStarting().lock);
    TheStarting().process = nullptr;
  }
  StartingGuard(const StartingGuard&) = delete;
  StartingGuard& operator=(const StartingGuard&) = delete;
};

// At exit, before any library is finalised, the office is given up while the
// UNO runtime is still whole; the applications may still hold it afterwards.
void GiveUpAtExit() {
  std::shared_ptr<Office> office;
  {
    std::lock_guard<std::mutex> guard(TheShared().lock);
    office = TheShared().office.lock();
  }
  if (office) office->Shutdown();
}

}  // namespace

int StartedOfficeProcess() {
  {
    std::lock_guard<std::mutex> guard(TheStarting().lock);
    if (TheStarting().process) return static_cast<int>(TheStarting().process->pid());
  }
  // An office being acquired otherwise is being attached to, or is not
  // started yet: none of ours runs. (Not waiting: an attach may wait for
  // ever.)
  std::shared_ptr<Office> office;
  {
    std::unique_lock<std::mutex> guard(TheShared().lock, std::try_to_lock);
    if (!guard.owns_lock()) return 0;
    office = TheShared().office.lock();
  }
  return office ? static_cast<int>(office->pid()) : 0;
}

std::shared_ptr<Office> Office::Acquire() {
  const Confinement walls = ConfinementOfEnvironment();
  Shared& shared = TheShared();
  std::lock_guard<std::mutex> guard(shared.lock);
  if (auto office = shared.office.lock(); office && office->alive()) return office;
  std::shared_ptr<Office> office;
  if (!walls.confined() && !shared.HasFailed(WellKnownPipe())) office = Attach();
  if (!office) office = Start(walls);
  shared.office = office;
  // Exit handlers run last registered first: registered once the UNO
  // libraries of the connection are loaded, this one runs before their
  // static objects go.
  if (!shared.exitHookInstalled) {
    std::atexit(GiveUpAtExit);
    shared.exitHookInstalled = true;
  }
  return office;
}

std::shared_ptr<Office> Office::Attach() {
  const std::string pipe = WellKnownPipe();
  auto connection = std::make_shared<Connection>();
  bool open = false;
  try {
    const AttachingGuard attaching(connection, pipe);
    open = connection->Open(PipeFile(pipe));
  } catch (const Failure&) {
    // Given up by AbortOffice: it does not answer.
    TheShared().Failed(pipe);
    throw;
  }
  if (!open) return nullptr;
  std::shared_ptr<Office> office(new Office);
  office->pipe_ = pipe;
  office->connection_ = std::move(connection);
  return office;
}

std::shared_ptr<Office> Office::Start(const Confinement& walls) {
  std::shared_ptr<Office> office(new Office);
  office->slot_.emplace(ProfileSlot::Take());
  office->slot_->Confine(walls.confined());
  static std::atomic<int> serial{0};
  office->pipe_ = "quillet-" + std::to_string(::getpid()) + "-" + std::to_string(office->slot_->number()) + "-" +
                  std::to_string(serial++);
  OfficeLaunch launch{ProgramFolder(), office->pipe_, office->slot_->profileFolder(), office->slot_->tempFolder()};
  if (walls.isolated) launch.confinement = walls;
  const std::string accepting = PipeFileOf(launch);
  office->process_ = std::make_unique<OfficeProcess>(launch);

  const StartingGuard starting(office->process_.get());
  office->process_->WaitUntilAccepting(std::chrono::steady_clock::now() + kStartTimeout, [&] {
    office->connection_ = Connection::TryOpenFile(accepting);
    return office->connection_ != nullptr;
  });
  // Its pipes' files, removed should it die without removing them itself.
  // (Asked of its sockets: other offices start at the same moment.)
  office->leftovers_.push_back(accepting);
  for (const std::string& f : PipeFilesOf(office->process_->pid()))
    if (f != accepting) office->leftovers_.push_back(f);
  office->slot_->RememberFiles(office->leftovers_);
  return office;
}

Office::~Office() { Shutdown(); }

pid_t Office::pid() const {
  std::lock_guard<std::mutex> guard(lock_);
  return process_ ? process_->pid() : 0;
}

bool Office::alive() const {
  std::lock_guard<std::mutex> guard(lock_);
  // An office of ours that has ended is known to its reaper at once, before
  // the bridge has noticed the broken pipe.
  return !shut_ && connection_ && connection_->alive() && (!process_ || process_->running());
}

Reference<css::frame::XDesktop2> Office::desktop() const {
  std::lock_guard<std::mutex> guard(lock_);
  // (Empty too when an abort disposed the connection a moment ago.)
  Reference<css::frame::XDesktop2> desktop;
  if (!shut_ && connection_ && connection_->alive()) desktop = connection_->desktop();
  if (!desktop.is()) throw Failure("The connection to LibreOffice has been lost");
  return desktop;
}

Reference<css::uno::XComponentContext> Office::context() const {
  std::lock_guard<std::mutex> guard(lock_);
  Reference<css::uno::XComponentContext> context;
  if (!shut_ && connection_ && connection_->alive()) context = connection_->context();
  if (!context.is()) throw Failure("The connection to LibreOffice has been lost");
  return context;
}

namespace {

// Asks the office to end; a call that gets no answer in time is released by
// disposing the connection.
void TerminateWithin(const std::shared_ptr<Connection>& connection, std::chrono::milliseconds timeout) {
  std::mutex lock;
  std::condition_variable answered;
  bool done = false;
  std::thread watch([&] {
    std::unique_lock<std::mutex> hold(lock);
    if (!answered.wait_for(hold, timeout, [&] { return done; })) connection->Dispose();
  });
  try {
    if (const auto desktop = connection->desktop(); desktop.is()) desktop->terminate();
  } catch (const css::uno::Exception&) {
    // the connection goes down while the office ends
  }
  {
    std::lock_guard<std::mutex> hold(lock);
    done = true;
  }
  answered.notify_one();
  watch.join();
}

}  // namespace

void Office::Shutdown() {
  std::shared_ptr<Connection> connection;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (shut_) return;
    shut_ = true;  // from here on this call alone ends the office
    connection = connection_;
  }
  // Without the lock: an office that does not answer must not hold up those
  // who only ask about it (or Abort, which releases the call).
  if (process_ && connection && connection->alive()) TerminateWithin(connection, kTerminateTimeout);
  if (connection) connection->Dispose();
  std::lock_guard<std::mutex> guard(lock_);
  connection_.reset();
  if (process_) {
    if (!process_->WaitForExit(kTerminateTimeout)) process_->Kill();
    process_.reset();
    ForgetLeftovers();
  }
  slot_.reset();
}

namespace {

// A whole number from the environment, Default when unset or no number.
long FromEnvironment(const char* name, long fallback) {
  const char* text = std::getenv(name);
  if (!text || !*text) return fallback;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return (*end == '\0' && value > 0) ? value : fallback;
}

// The resident memory of process Pid and those it started (soffice under
// bubblewrap) in bytes; 0 when it cannot be read.
uint64_t ResidentBytes(pid_t pid) {
  uint64_t total = 0;
  for (const pid_t process : ProcessTree(pid)) {
    const os::UniqueFile f(std::fopen(("/proc/" + std::to_string(process) + "/statm").c_str(), "r"));
    if (!f) continue;
    unsigned long long size = 0, resident = 0;
    if (std::fscanf(f.get(), "%llu %llu", &size, &resident) == 2)
      total += resident * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
  }
  return total;
}

}  // namespace

bool Office::DueForRecycling() const {
  const pid_t own = pid();
  if (own == 0) return false;
  if (documents_ >= FromEnvironment("QUILLET_OFFICE_RECYCLE_DOCUMENTS", 200)) return true;
  const uint64_t bound = static_cast<uint64_t>(FromEnvironment("QUILLET_OFFICE_RECYCLE_MB", 1024)) << 20;
  return ResidentBytes(own) > bound;
}

void AbortOffice() {
  {
    // An office still starting: ending it ends the start, which then fails.
    std::lock_guard<std::mutex> guard(TheStarting().lock);
    if (TheStarting().process) {
      TheStarting().process->Kill();
      return;
    }
  }
  {
    // The user's office, not answering while this process attaches to it:
    // the attach fails, and it is not attached to again.
    std::lock_guard<std::mutex> guard(TheAttaching().lock);
    if (TheAttaching().connection) {
      TheShared().Failed(TheAttaching().pipe);
      TheAttaching().connection->Dispose();
      return;
    }
  }
  // Not waiting for an acquire in progress, which could wait for ever: it
  // is between the two above, and the caller comes again.
  std::shared_ptr<Office> office;
  {
    std::unique_lock<std::mutex> guard(TheShared().lock, std::try_to_lock);
    if (!guard.owns_lock()) return;
    office = TheShared().office.lock();
  }
  if (office) office->Abort();
}

void Office::Abort() {
  // The bridge first, without the lock: a call in flight may hold it, and
  // disposing is what releases that call.
  std::shared_ptr<Connection> connection;
  {
    std::lock_guard<std::mutex> guard(lock_);
    connection = connection_;
  }
  if (connection) connection->Dispose();
  std::lock_guard<std::mutex> guard(lock_);
  if (shut_) return;
  shut_ = true;
  connection_.reset();
  if (!process_) TheShared().Failed(pipe_);
  if (process_) {
    process_->Kill();  // SIGKILL ends a stopped process too
    process_.reset();
    ForgetLeftovers();
  }
  slot_.reset();
}

void Office::ForgetLeftovers() {
  std::error_code ec;
  for (const std::string& f : leftovers_) std::filesystem::remove(f, ec);
  leftovers_.clear();
}

}  // namespace quillet::office::uno
