// Self-registration: the registry entries through which COM finds a class of
// the server by its CLSID and its ProgID, and the registration of the
// embedded type library.
#pragma once

#include <string>

#include "ConvertApplication/ClassFactory.h"

namespace quillet::comserver {

// HKEY_CLASSES_ROOT\CLSID\{clsid} (the description) with InprocServer32 (the
// server's path and its ThreadingModel) and ProgID; HKEY_CLASSES_ROOT\<ProgID>
// (the description) with CLSID.
HRESULT RegisterClassKeys(const ClassRegistration& cls, const std::wstring& modulePath);
// Removes both keys with everything below them; keys already gone are fine.
HRESULT UnregisterClassKeys(const ClassRegistration& cls);

// Registers the type library embedded in the file at ModulePath (its
// TypeLib key and the Interface keys of its interfaces).
HRESULT RegisterTypeLibrary(const std::wstring& modulePath);
// Unregisters it again; a library that is not registered is fine.
HRESULT UnregisterTypeLibrary(const std::wstring& modulePath);

}  // namespace quillet::comserver
