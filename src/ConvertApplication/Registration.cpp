#include "ConvertApplication/Registration.h"

#include <cwchar>
#include <memory>

#include "ConvertApplication/TypeLibrary.h"
#include "platform/unique_any.h"

namespace quillet::comserver {

namespace {

using UniqueKey = os::UniqueAny<HKEY, &::RegCloseKey>;

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

// Creates (or opens) HKEY_CLASSES_ROOT\Key and sets the value Name (null: the
// key's default value) to Value.
HRESULT SetValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  UniqueKey handle;
  LSTATUS status = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, handle.put(), nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  status = ::RegSetValueExW(handle.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

HRESULT DeleteTree(const std::wstring& key) {
  const LSTATUS status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
    // RegDeleteTree empties the key; the key itself goes with RegDeleteKey.
    const LSTATUS gone = ::RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
    if (gone == ERROR_SUCCESS || gone == ERROR_FILE_NOT_FOUND) return S_OK;
    return HRESULT_FROM_WIN32(gone);
  }
  return HRESULT_FROM_WIN32(status);
}

bool KeyExists(const std::wstring& key) {
  UniqueKey handle;
  return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, handle.put()) == ERROR_SUCCESS;
}

}  // namespace

HRESULT RegisterClassKeys(const ClassRegistration& cls, const std::wstring& modulePath) {
  const std::wstring clsidKey = L"CLSID\\" + GuidText(cls.clsid);
  HRESULT hr = S_OK;
  if (SUCCEEDED(hr)) hr = SetValue(clsidKey, nullptr, cls.description);
  if (SUCCEEDED(hr)) hr = SetValue(clsidKey + L"\\InprocServer32", nullptr, modulePath);
  if (SUCCEEDED(hr)) hr = SetValue(clsidKey + L"\\InprocServer32", L"ThreadingModel", cls.threadingModel);
  if (SUCCEEDED(hr)) hr = SetValue(clsidKey + L"\\ProgID", nullptr, cls.progId);
  if (SUCCEEDED(hr)) hr = SetValue(cls.progId, nullptr, cls.description);
  if (SUCCEEDED(hr)) hr = SetValue(cls.progId + L"\\CLSID", nullptr, GuidText(cls.clsid));
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
