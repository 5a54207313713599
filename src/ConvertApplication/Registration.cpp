#include "ConvertApplication/Registration.h"

#include <cwchar>
#include <memory>

#include "ConvertApplication/TypeLibrary.h"
#include "platform/win32_registry.h"

namespace quillet::comserver {

namespace {

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

// Creates (or opens) HKEY_CLASSES_ROOT\Key and sets the value Name (empty:
// the key's default value) to Value.
HRESULT SetValue(const std::wstring& key, const std::wstring& name, const std::wstring& value) {
  os::RegistryKey handle = os::RegistryKey::Create(HKEY_CLASSES_ROOT, key, KEY_SET_VALUE);
  if (!handle) return HRESULT_FROM_WIN32(handle.status());
  const LSTATUS status = handle.WriteText(name, value);
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

HRESULT DeleteTree(const std::wstring& key) {
  const LSTATUS status = os::RegistryKey::DeleteTree(HKEY_CLASSES_ROOT, key);
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

bool KeyExists(const std::wstring& key) { return static_cast<bool>(os::RegistryKey::Open(HKEY_CLASSES_ROOT, key)); }

}  // namespace

HRESULT RegisterClassKeys(const ClassRegistration& cls, const std::wstring& modulePath) {
  const std::wstring clsidKey = L"CLSID\\" + GuidText(cls.clsid);
  HRESULT hr = S_OK;
  if (SUCCEEDED(hr)) hr = SetValue(clsidKey, {}, cls.description);
  if (SUCCEEDED(hr)) hr = SetValue(clsidKey + L"\\InprocServer32", {}, modulePath);
  if (SUCCEEDED(hr)) hr = SetValue(clsidKey + L"\\InprocServer32", L"ThreadingModel", cls.threadingModel);
  if (SUCCEEDED(hr)) hr = SetValue(clsidKey + L"\\ProgID", {}, cls.progId);
  if (SUCCEEDED(hr)) hr = SetValue(cls.progId, {}, cls.description);
  if (SUCCEEDED(hr)) hr = SetValue(cls.progId + L"\\CLSID", {}, GuidText(cls.clsid));
  return hr;
}

HRESULT UnregisterClassKeys(const ClassRegistration& cls) {
  const HRESULT progId = DeleteTree(cls.progId);
  const HRESULT clsid = DeleteTree(L"CLSID\\" + GuidText(cls.clsid));
  return FAILED(progId) ? progId : clsid;
}

HRESULT RegisterTypeLibrary(const std::wstring& modulePath) {
  com::ComPtr<ITypeLib> library;
  return ::LoadTypeLibEx(modulePath.c_str(), REGKIND_REGISTER, library.put());
}

HRESULT UnregisterTypeLibrary(const std::wstring& modulePath) {
  com::ComPtr<ITypeLib> library;
  HRESULT hr = LoadEmbeddedTypeLib(modulePath, library);
  if (FAILED(hr)) return hr;
  TLIBATTR attr{};
  {
    TLIBATTR* borrowed = nullptr;
    hr = library->GetLibAttr(&borrowed);
    if (FAILED(hr)) return hr;
    const auto giveBack = [&](TLIBATTR* a) { library->ReleaseTLibAttr(a); };
    const std::unique_ptr<TLIBATTR, decltype(giveBack)> owned(borrowed, giveBack);
    attr = *owned;
  }
  // The version as the TypeLib key names it: major.minor in hexadecimal.
  wchar_t version[16] = {};
  std::swprintf(version, 16, L"%x.%x", attr.wMajorVerNum, attr.wMinorVerNum);
  if (!KeyExists(L"TypeLib\\" + GuidText(attr.guid) + L"\\" + version)) return S_OK;
  return ::UnRegisterTypeLib(attr.guid, attr.wMajorVerNum, attr.wMinorVerNum, attr.lcid, attr.syskind);
}

}  // namespace quillet::comserver
