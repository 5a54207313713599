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
#include "platform/unique_any.h"

using namespace quillet::doubles;

namespace {

HMODULE g_module = nullptr;
constexpr const char* kProgId = "plugkit.PKApplication";

using UniqueKey = quillet::os::UniqueAny<HKEY, &::RegCloseKey>;

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

bool SetValue(const std::string& key, const char* name, const std::string& value) {
  UniqueKey h;
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\" + key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        h.put(), nullptr) != ERROR_SUCCESS)
    return false;
  return ::RegSetValueExA(h.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
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
  const bool ok = SetValue(std::string(kProgId) + "\\CLSID", nullptr, clsid) &&
                  SetValue(clsidKey + "\\InprocServer32", nullptr, path) &&
                  SetValue(clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment") &&
                  SetValue(clsidKey + "\\ProgID", nullptr, kProgId);
  Record(ok ? "register" : "register failed");
  return ok ? S_OK : SELFREG_E_CLASS;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
  ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string("Software\\Classes\\") + kProgId).c_str());
  ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\CLSID\\" + ClsidText()).c_str());
  Record("unregister");
  return S_OK;
}
