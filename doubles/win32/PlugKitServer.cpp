// The plug-in bridge double as an in-process COM server, plugkit.dll. It
// registers itself only when asked to (DllRegisterServer, as regsvr32 does),
// under "plugkit.PKApplication", with its own path as the server; every
// registration and removal is written to the Acrobat transcript together
// with the command line of the program that asked for it.
#include <windows.h>
#include <olectl.h>

#include <memory>
#include <string>

#include "core/DispObject.h"
#include "core/PlugKit.h"
#include "core/Session.h"
#include "platform/com/ComPtr.h"
#include "platform/win32_registry.h"

using namespace quillet::doubles;

namespace {

HMODULE g_module = nullptr;
constexpr const char* kProgId = "plugkit.PKApplication";

struct TaskMemFree {
  void operator()(OLECHAR* p) const { ::CoTaskMemFree(p); }
};

std::string ClsidText() {
  LPOLESTR raw = nullptr;
  if (FAILED(::StringFromCLSID(PlugKitClsid(), &raw))) return {};
  const std::unique_ptr<OLECHAR, TaskMemFree> text(raw);
  std::string out;
  for (const OLECHAR* p = text.get(); *p; ++p) out += static_cast<char>(*p);
  return out;
}

constexpr const char* kClasses = "Software\\Classes\\";

bool SetValue(const std::string& key, const std::string& name, const std::string& value) {
  quillet::os::RegistryKey h = quillet::os::RegistryKey::Create(HKEY_LOCAL_MACHINE, kClasses + key, KEY_WRITE);
  return h && h.WriteText(name, value) == ERROR_SUCCESS;
}

void Record(const std::string& what) { Session("Acrobat", true).Write(what + " " + ::GetCommandLineA()); }

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != PlugKitClsid()) return CLASS_E_CLASSNOTAVAILABLE;
  const auto factory = quillet::com::ComPtr<IClassFactory>::Adopt(CreatePlugKitFactory());
  return factory->QueryInterface(riid, object);
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllCanUnloadNow() { return LiveObjects() == 0 ? S_OK : S_FALSE; }

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
  char path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(g_module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return SELFREG_E_CLASS;
  const std::string clsid = ClsidText(), clsidKey = "CLSID\\" + clsid;
  const bool ok = SetValue(std::string(kProgId) + "\\CLSID", {}, clsid) &&
                  SetValue(clsidKey + "\\InprocServer32", {}, path) &&
                  SetValue(clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment") &&
                  SetValue(clsidKey + "\\ProgID", {}, kProgId);
  Record(ok ? "register" : "register failed");
  return ok ? S_OK : SELFREG_E_CLASS;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
  quillet::os::RegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, kClasses + std::string(kProgId));
  quillet::os::RegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, kClasses + ("CLSID\\" + ClsidText()));
  Record("unregister");
  return S_OK;
}
