#include <windows.h>

#include <exception>
#include <memory>
#include <string>

#include "platform/error.h"
#include "platform/thread.h"
#include "platform/win32_handle.h"

namespace quillet::os {

namespace {

struct Start {
  std::function<void()> body;
  HMODULE module = nullptr;
};

DWORD WINAPI RunPinned(LPVOID param) {
  HMODULE module = nullptr;
  {
    const std::unique_ptr<Start> start(static_cast<Start*>(param));
    module = start->module;
    try {
      start->body();
    } catch (...) {
    }
  }  // the body and everything it held are gone before the code is given back
  ::FreeLibraryAndExitThread(module, 0);
  return 0;
}

}  // namespace

struct PinnedThread::State {
  UniqueHandle handle;
  DWORD id = 0;
};

PinnedThread::PinnedThread(std::function<void()> body) {
  auto start = std::make_unique<Start>();
  start->body = std::move(body);
  // The reference is taken here, before the thread exists, so there is no
  // moment at which the thread runs this code without holding it.
  if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&RunPinned),
                            &start->module))
    throw Error("Can not start a thread: the module holding its code is not known");
  const HMODULE module = start->module;
  auto state = std::make_unique<State>();
  state->handle.reset(::CreateThread(nullptr, 0, RunPinned, start.get(), 0, &state->id));
  if (!state->handle) {
    const DWORD error = ::GetLastError();
    ::FreeLibrary(module);
    throw Error("Can not start a thread (system error " + std::to_string(error) + ")");
  }
  start.release();  // the thread owns it now
  state_ = std::move(state);
}

PinnedThread::PinnedThread() = default;
PinnedThread::~PinnedThread() { Detach(); }
PinnedThread::PinnedThread(PinnedThread&&) noexcept = default;
PinnedThread& PinnedThread::operator=(PinnedThread&& other) noexcept {
  if (this != &other) {
    Detach();
    state_ = std::move(other.state_);
  }
  return *this;
}

bool PinnedThread::Joinable() const { return state_ && state_->handle; }

bool PinnedThread::IsCurrent() const { return Joinable() && state_->id == ::GetCurrentThreadId(); }

void PinnedThread::Join() {
  if (!Joinable()) return;
  ::WaitForSingleObject(state_->handle.get(), INFINITE);
  Detach();
}

void PinnedThread::Detach() {
  if (!Joinable()) return;
  state_->handle.reset();
}

}  // namespace quillet::os
