#include "platform/registry.h"

#include "platform/com/com.h"
#include "platform/win32_registry.h"

namespace quillet::os {

namespace {

// The system takes a null name for the default value.
const wchar_t* ValueName(const std::wstring& name) { return name.empty() ? nullptr : name.c_str(); }

// "Not there" is where a removal wants to end up.
LSTATUS GoneIsDone(LSTATUS status) { return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status; }

std::string Narrow(const std::wstring& text) { return com::FromOle(text.c_str(), text.size()); }

}  // namespace

RegistryKey RegistryKey::Open(HKEY parent, const std::string& path, REGSAM access) {
  return Open(parent, com::ToOle(path), access);
}

RegistryKey RegistryKey::Open(HKEY parent, const std::wstring& path, REGSAM access) {
  RegistryKey key;
  HKEY opened = nullptr;
  key.status_ = ::RegOpenKeyExW(parent, path.c_str(), 0, access, &opened);
  if (key.status_ == ERROR_SUCCESS) key.key_.reset(opened);
  return key;
}

RegistryKey RegistryKey::Create(HKEY parent, const std::string& path, REGSAM access) {
  return Create(parent, com::ToOle(path), access);
}

RegistryKey RegistryKey::Create(HKEY parent, const std::wstring& path, REGSAM access) {
  RegistryKey key;
  HKEY opened = nullptr;
  key.status_ =
      ::RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &opened, nullptr);
  if (key.status_ == ERROR_SUCCESS) key.key_.reset(opened);
  return key;
}

LSTATUS RegistryKey::DeleteKey(HKEY parent, const std::string& path) {
  return GoneIsDone(::RegDeleteKeyW(parent, com::ToOle(path).c_str()));
}

LSTATUS RegistryKey::DeleteTree(HKEY parent, const std::string& path) { return DeleteTree(parent, com::ToOle(path)); }

LSTATUS RegistryKey::DeleteTree(HKEY parent, const std::wstring& path) {
  const LSTATUS emptied = GoneIsDone(::RegDeleteTreeW(parent, path.c_str()));
  if (emptied != ERROR_SUCCESS) return emptied;
  // Not every system's RegDeleteTree takes the key itself along with what
  // is below it.
  return GoneIsDone(::RegDeleteKeyW(parent, path.c_str()));
}

std::optional<std::string> RegistryKey::ReadText(const std::string& name) const {
  if (!key_) return std::nullopt;
  const std::wstring wideName = com::ToOle(name);
  const auto isText = [](DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; };
  for (;;) {
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key_.get(), ValueName(wideName), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        !isText(type))
      return std::nullopt;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    const LSTATUS status =
        ::RegQueryValueExW(key_.get(), ValueName(wideName), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &got);
    if (status == ERROR_MORE_DATA) continue;  // it grew in between
    if (status != ERROR_SUCCESS || !isText(type)) return std::nullopt;
    // A stored text need not end in a NUL; one with a NUL ends there.
    text.resize(got / sizeof(wchar_t));
    return Narrow(text.substr(0, text.find(L'\0')));
  }
}

std::optional<DWORD> RegistryKey::ReadDword(const std::string& name) const {
  if (!key_) return std::nullopt;
  const std::wstring wideName = com::ToOle(name);
  DWORD type = 0, value = 0, size = sizeof value;
  if (::RegQueryValueExW(key_.get(), ValueName(wideName), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value)
    return std::nullopt;
  return value;
}

DWORD RegistryKey::ValueType(const std::string& name) const {
  const std::wstring wideName = com::ToOle(name);
  DWORD type = REG_NONE;
  if (!key_ || ::RegQueryValueExW(key_.get(), ValueName(wideName), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
    return REG_NONE;
  return type;
}

LSTATUS RegistryKey::WriteText(const std::string& name, const std::string& value) {
  return WriteText(com::ToOle(name), com::ToOle(value));
}

LSTATUS RegistryKey::WriteText(const std::wstring& name, const std::wstring& value) {
  return ::RegSetValueExW(key_.get(), ValueName(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LSTATUS RegistryKey::WriteDword(const std::string& name, DWORD value) {
  const std::wstring wideName = com::ToOle(name);
  return ::RegSetValueExW(key_.get(), ValueName(wideName), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value);
}

LSTATUS RegistryKey::DeleteValue(const std::string& name) {
  const std::wstring wideName = com::ToOle(name);
  return GoneIsDone(::RegDeleteValueW(key_.get(), ValueName(wideName)));
}

std::string ReadMachineRegistryText(const std::string& key, const std::string& name) {
  return RegistryKey::Open(HKEY_LOCAL_MACHINE, key).ReadText(name).value_or("");
}

}  // namespace quillet::os
