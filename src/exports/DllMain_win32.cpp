// Load and unload of quillet.dll.
#include <windows.h>

#include "ConvertApplication/ComServer.h"
#include "exports/instance/Engine.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      try {
        // The automation class's factory first: it is on offer to
        // DllGetClassObject before the converter it forwards to exists.
        quillet::comserver::StartServer(instance);
        quillet::CreateConvertEngine();
      } catch (...) {
        return FALSE;
      }
      break;
    case DLL_PROCESS_DETACH:
      // Reserved is non-null when the process is ending rather than the library
      // being freed: other threads are gone and the loader lock is held, so the
      // converter must not call into other processes any more.
      quillet::DestroyConvertEngine(reserved != nullptr);
      quillet::comserver::StopServer(reserved != nullptr);
      break;
    default:
      break;
  }
  return TRUE;
}
