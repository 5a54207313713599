// quillet.dll as an in-process COM server: the module it lives in and the
// class factories it offers to DllGetClassObject.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace quillet::comserver {

class TAutoObjectFactory;

// At library load, before the converter is made: remembers the module and
// offers the factory of ConvertApplication.
void StartServer(HINSTANCE module);
// At library unload, after the converter is gone. ProcessEnding: the process
// is ending rather than the library being freed; nothing is released then.
void StopServer(bool processEnding);

// The full path of the library file (empty before StartServer).
std::wstring ModulePath();

// The factories on offer (none before StartServer or after StopServer).
const std::vector<TAutoObjectFactory*>& Factories();
// The one for Clsid, or null.
TAutoObjectFactory* FindFactory(REFCLSID clsid);

}  // namespace quillet::comserver
