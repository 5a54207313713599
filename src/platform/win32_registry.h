// RegistryKey: sole ownership of an open registry key, closed by its
// destructor, with the reads and writes that the library, its COM server, the
// test doubles and the tests make. For the Win32 side of the OS layer and the
// Windows-only code: it includes <windows.h>. Linux has no registry; there
// every value reads as absent (registry.h).
//
//   const os::RegistryKey key = os::RegistryKey::Open(HKEY_CLASSES_ROOT, progId + "\\CLSID");
//   if (const auto clsid = key.ReadText()) ...
//
// Texts given as std::string are in the ANSI code page, as the system's "A"
// calls take them; std::wstring ones are passed as they are. An empty value
// name is the key's default value.
//
// Thread-safety: a value like any other; one owner must not be changed by two
// threads at once.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "platform/unique_any.h"

namespace quillet::os {

class RegistryKey {
 public:
  RegistryKey() = default;

  // Opens Path below Parent (a root such as HKEY_CLASSES_ROOT, or an open
  // key) with Access. An owner without a key when that fails; status() says why.
  static RegistryKey Open(HKEY parent, const std::string& path, REGSAM access = KEY_READ);
  static RegistryKey Open(HKEY parent, const std::wstring& path, REGSAM access = KEY_READ);
  // Opens Path below Parent as Open does, making it (and the keys on the way
  // to it) where it does not exist yet.
  static RegistryKey Create(HKEY parent, const std::string& path, REGSAM access = KEY_READ | KEY_WRITE);
  static RegistryKey Create(HKEY parent, const std::wstring& path, REGSAM access = KEY_READ | KEY_WRITE);

  // Removes Path below Parent with its values: DeleteKey only a key without
  // subkeys, DeleteTree everything below it too. A key that is not there is
  // removed already (ERROR_SUCCESS).
  static LSTATUS DeleteKey(HKEY parent, const std::string& path);
  static LSTATUS DeleteTree(HKEY parent, const std::string& path);
  static LSTATUS DeleteTree(HKEY parent, const std::wstring& path);

  explicit operator bool() const { return static_cast<bool>(key_); }
  HKEY get() const { return key_.get(); }
  // ERROR_SUCCESS, or the system's reason why the key could not be opened.
  LSTATUS status() const { return status_; }

  // The text of value Name, REG_SZ or REG_EXPAND_SZ, as stored (not
  // expanded); absent when there is no such value, it holds no text, or the
  // owner has no key.
  std::optional<std::string> ReadText(const std::string& name = {}) const;
  // A REG_DWORD value; absent as ReadText.
  std::optional<DWORD> ReadDword(const std::string& name) const;
  // The type of value Name (REG_SZ, REG_DWORD ...); REG_NONE when absent.
  DWORD ValueType(const std::string& name = {}) const;

  // Sets value Name to a REG_SZ or a REG_DWORD, replacing what was there.
  LSTATUS WriteText(const std::string& name, const std::string& value);
  LSTATUS WriteText(const std::wstring& name, const std::wstring& value);
  LSTATUS WriteDword(const std::string& name, DWORD value);
  // Removes value Name; one that is not there is removed already.
  LSTATUS DeleteValue(const std::string& name);

 private:
  UniqueAny<HKEY, &::RegCloseKey> key_;
  LSTATUS status_ = ERROR_SUCCESS;
};

}  // namespace quillet::os
