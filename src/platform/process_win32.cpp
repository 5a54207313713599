#include <windows.h>

#include <memory>
#include <type_traits>

#include "platform/desktop.h"
#include "platform/path.h"
#include "platform/process.h"
#include "platform/win32_handle.h"

namespace quillet::os {

namespace {

struct Started {
  UniqueHandle process, thread;
  DWORD id = 0;
};

// CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS: a console program gets a console
// of its own instead of writing into the host's.
constexpr DWORD kCreationFlags = 0x30;

bool Start(const std::string& program, const std::string& params, int show, Started& started) {
  // CreateProcessA may write into the command line, so it gets its own buffer.
  std::string commandLine = BuildCommandLine(program, params);
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  // The program runs in its own folder; a bare name has none and keeps ours.
  const std::string folder = path::ExtractFileDir(program);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, kCreationFlags, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info))
    return false;
  started.process.reset(info.hProcess);
  started.thread.reset(info.hThread);
  started.id = info.dwProcessId;
  return true;
}

}  // namespace

uint32_t CurrentProcessId() { return ::GetCurrentProcessId(); }

uint32_t StartProgram(const std::string& program, const std::string& params, int show) {
  Started started;
  return Start(program, params, show, started) ? started.id : 0;
}

bool StartProgramAndWait(const std::string& program, const std::string& params, int show) {
  Started started;
  if (!Start(program, params, show, started)) return false;
  ::WaitForSingleObject(started.process.get(), INFINITE);
  return true;
}

bool ProcessAlive(uint32_t pid) {
  const UniqueHandle h(::OpenProcess(SYNCHRONIZE, FALSE, pid));
  return IsValid(h) && ::WaitForSingleObject(h.get(), 0) == WAIT_TIMEOUT;
}

bool EndProcess(uint32_t pid) {
  const UniqueHandle h(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
  if (!IsValid(h)) return !ProcessAlive(pid);
  ::TerminateProcess(h.get(), 1);
  return ::WaitForSingleObject(h.get(), 5000) == WAIT_OBJECT_0;
}

std::vector<uint32_t> ProcessesNamed(const std::string& name) {
  std::vector<uint32_t> ids;
  for (const ProcessEntry& p : SystemDesktop()->ProcessSnapshot())
    if (::lstrcmpiA(p.exeFile.c_str(), name.c_str()) == 0) ids.push_back(p.id);
  return ids;
}

uint32_t CurrentThreadId() { return ::GetCurrentThreadId(); }

}  // namespace quillet::os
