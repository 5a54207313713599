// What a Windows double learns from the test program that controls it: the
// control folder and the program's process, from the environment or, for a
// server that COM started without the client's environment, the registry.
#include "win32/Controller.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "core/Session.h"
#include "platform/win32_handle.h"
#include "platform/win32_registry.h"

namespace quillet::doubles {

namespace {
constexpr const char* kOwnKey = "Software\\quillet-doubles";
}  // namespace

std::string SystemControlDir() {
  // A server that COM starts may not inherit the client's environment (it
  // does under Wine, not under a service-launched activation): the control
  // folder is also in the registry.
  return os::RegistryKey::Open(HKEY_CURRENT_USER, kOwnKey).ReadText("Dir").value_or("");
}

void PinProcessIdInController() {
  DWORD pid = 0;
  if (const char* text = std::getenv("QUILLET_DOUBLES_CONTROLLER"); text && *text) {
    pid = static_cast<DWORD>(std::strtoul(text, nullptr, 10));
  } else {
    pid = os::RegistryKey::Open(HKEY_CURRENT_USER, kOwnKey).ReadDword("Controller").value_or(0);
  }
  if (pid == 0 || pid == ::GetCurrentProcessId()) return;
  const os::UniqueHandle controller{::OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid)};
  if (!controller) return;
  // The copy belongs to the controller and is never closed there; it goes
  // when the controller's process ends.
  HANDLE copy = nullptr;
  ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), controller.get(), &copy, SYNCHRONIZE, FALSE, 0);
}

}  // namespace quillet::doubles
