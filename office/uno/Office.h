// The office process that the stand-in applications of this process share.
//
// The first application to need it attaches to a LibreOffice already
// listening on the user's well-known pipe (such an office is the user's: it is
// never terminated), or else starts soffice of its own, headless, with a
// private profile slot and its own pipe (that office is terminated when the
// last application lets go of it, and at the latest when this process exits).
// Word, Excel and PowerPoint of one process share one office. A process
// whose environment asks for walls (see Confinement in Launcher.h) never
// attaches, and its offices are started walled in.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include "uno/Connection.h"
#include "uno/OfficeProcess.h"
#include "uno/ProfileSlot.h"
#include "uno/Uno.h"

namespace quillet::office::uno {

// The process id of the office this process started and still holds, or is
// starting; 0 when it holds none or attached to one (or is attaching).
int StartedOfficeProcess();
// Releases every call blocked on the office of this process and ends that
// office when this process started it (one of the user's is only let go, and
// not attached to again; so is one that does not answer while this process
// attaches to it). The next application to need an office gets a new one.
// Any thread may call it, also while another one waits inside a call of the
// office. While an office is being acquired it may do nothing: the caller
// calls again until the waiting call has returned.
void AbortOffice();

class Office {
 public:
  // The office of this process, attached or started on first use.
  static std::shared_ptr<Office> Acquire();
  Office(const Office&) = delete;
  Office& operator=(const Office&) = delete;
  ~Office();

  // True when this process started the office (and will terminate it).
  bool created() const { return process_ != nullptr; }
  // The process id of the office this process started; 0 when attached.
  pid_t pid() const;
  const std::string& pipeName() const { return pipe_; }

  // Raise Failure once the office has gone.
  Reference<css::frame::XDesktop2> desktop() const;
  Reference<css::uno::XComponentContext> context() const;
  bool alive() const;

  // Gives the office up now: terminates one of ours (killing it when it does
  // not end in time) or disconnects from the user's. Later calls fail.
  void Shutdown();
  // Counts a document loaded into this office.
  void CountDocument() { ++documents_; }
  // An office this process started that has loaded its number of documents
  // ($QUILLET_OFFICE_RECYCLE_DOCUMENTS, 200 unless set) or whose resident
  // memory has passed its bound ($QUILLET_OFFICE_RECYCLE_MB, 1024 unless
  // set). The user's office is never due.
  bool DueForRecycling() const;

  // Gives the office up at once, without asking it anything: the bridge is
  // disposed (releasing calls in flight) and an office of ours is killed.
  // After the user's office was given up so, this process starts offices of
  // its own instead of attaching to it again.
  void Abort();

 private:
  Office() = default;
  static std::shared_ptr<Office> Attach();
  static std::shared_ptr<Office> Start(const Confinement& walls);
  void ForgetLeftovers();

  mutable std::mutex lock_;
  std::string pipe_;
  std::shared_ptr<Connection> connection_;  // shared: Abort disposes it without the lock
  std::optional<ProfileSlot> slot_;
  std::unique_ptr<OfficeProcess> process_;
  std::vector<std::string> leftovers_;  // socket files of our office, removed if it dies without them
  bool shut_ = false;
  std::atomic<int> documents_{0};
};

}  // namespace quillet::office::uno
