// RegistryKey against the registry of the test's Wine prefix: what is
// written reads back with its type, a key goes with everything below it, a
// key that cannot be opened says why, and the owner closes its key when it
// goes. The keys live below a scratch key of the test's own.
#include <gtest/gtest.h>

#include <utility>

#include "platform/registry.h"
#include "platform/win32_registry.h"

namespace quillet::os {
namespace {

const std::string kScratch = "Software\\quillet-tests\\RegistryKey";

// Whether Key is a handle the system still knows.
bool IsOpen(HKEY key) {
  return ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS;
}

bool Exists(HKEY root, const std::string& path) { return static_cast<bool>(RegistryKey::Open(root, path)); }

class RegistryKeyTest : public ::testing::Test {
 protected:
  void SetUp() override { Clear(); }
  void TearDown() override { Clear(); }
  static void Clear() {
    RegistryKey::DeleteTree(HKEY_CURRENT_USER, kScratch);
    RegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, kScratch);
  }
};

TEST_F(RegistryKeyTest, WhatIsWrittenReadsBackWithItsType) {
  {
    RegistryKey key = RegistryKey::Create(HKEY_CURRENT_USER, kScratch + "\\Values");
    ASSERT_TRUE(key);
    EXPECT_EQ(key.status(), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteText({}, "the default"), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteText("Path", "C:\\Program Files\\Quillet\\quillet.dll"), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteText(L"Wide", L"written wide"), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteText("Empty", ""), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteDword("Count", 4000000000u), ERROR_SUCCESS);
    // Texts that another program stored: expandable, and without a closing NUL.
    const char expandable[] = "%SystemRoot%\\system32";
    ::RegSetValueExA(key.get(), "Expandable", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expandable),
                     sizeof expandable);
    ::RegSetValueExA(key.get(), "Unended", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);
  }
  const RegistryKey key = RegistryKey::Open(HKEY_CURRENT_USER, kScratch + "\\Values");
  ASSERT_TRUE(key);
  EXPECT_EQ(key.ReadText(), "the default");
  EXPECT_EQ(key.ReadText("Path"), "C:\\Program Files\\Quillet\\quillet.dll");
  EXPECT_EQ(key.ReadText("Wide"), "written wide");
  EXPECT_EQ(key.ReadText("Empty"), "");
  EXPECT_EQ(key.ReadDword("Count"), 4000000000u);
  EXPECT_EQ(key.ReadText("Expandable"), "%SystemRoot%\\system32");  // as stored
  EXPECT_EQ(key.ReadText("Unended"), "abc");
  EXPECT_EQ(key.ValueType("Path"), DWORD{REG_SZ});
  EXPECT_EQ(key.ValueType("Expandable"), DWORD{REG_EXPAND_SZ});
  EXPECT_EQ(key.ValueType("Count"), DWORD{REG_DWORD});
  // A value of another type, or none, reads as absent.
  EXPECT_EQ(key.ReadText("Count"), std::nullopt);
  EXPECT_EQ(key.ReadDword("Path"), std::nullopt);
  EXPECT_EQ(key.ReadText("Missing"), std::nullopt);
  EXPECT_EQ(key.ReadDword("Missing"), std::nullopt);
  EXPECT_EQ(key.ValueType("Missing"), DWORD{REG_NONE});

  // A value written again holds only the new text; a removed one is gone,
  // and removing it again is no failure.
  RegistryKey writable = RegistryKey::Open(HKEY_CURRENT_USER, kScratch + "\\Values", KEY_READ | KEY_WRITE);
  EXPECT_EQ(writable.WriteText("Path", "D:\\q"), ERROR_SUCCESS);
  EXPECT_EQ(key.ReadText("Path"), "D:\\q");
  EXPECT_EQ(writable.DeleteValue("Path"), ERROR_SUCCESS);
  EXPECT_EQ(key.ReadText("Path"), std::nullopt);
  EXPECT_EQ(writable.DeleteValue("Path"), ERROR_SUCCESS);
}

TEST_F(RegistryKeyTest, AKeyThatCannotBeOpenedSaysWhyAndHoldsNoValues) {
  const RegistryKey missing = RegistryKey::Open(HKEY_CURRENT_USER, kScratch + "\\Missing");
  EXPECT_FALSE(missing);
  EXPECT_EQ(missing.status(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing.ReadText(), std::nullopt);
  EXPECT_EQ(missing.ReadDword("Count"), std::nullopt);
  EXPECT_EQ(missing.ValueType(), DWORD{REG_NONE});
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, kScratch + "\\Missing"));  // opening makes nothing

  // The machine's texts, which the library reads, through the same owner.
  RegistryKey::Create(HKEY_LOCAL_MACHINE, kScratch).WriteText("Name", "machine text");
  EXPECT_EQ(ReadMachineRegistryText(kScratch, "Name"), "machine text");
  EXPECT_EQ(ReadMachineRegistryText(kScratch, "Other"), "");
  EXPECT_EQ(ReadMachineRegistryText(kScratch + "\\Missing", ""), "");
}

TEST_F(RegistryKeyTest, DeleteTreeTakesTheKeyWithEverythingBelowIt) {
  const std::string tree = kScratch + "\\Tree";
  RegistryKey::Create(HKEY_CURRENT_USER, tree).WriteText({}, "top");
  RegistryKey::Create(HKEY_CURRENT_USER, tree + "\\A\\B").WriteDword("Count", 1);
  RegistryKey::Create(HKEY_CURRENT_USER, tree + "\\C").WriteText("Name", "c");
  RegistryKey::Create(HKEY_CURRENT_USER, kScratch + "\\Beside").WriteText("Name", "kept");

  // DeleteKey takes only a key without subkeys.
  EXPECT_NE(RegistryKey::DeleteKey(HKEY_CURRENT_USER, tree), ERROR_SUCCESS);
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, tree + "\\A\\B"));
  EXPECT_EQ(RegistryKey::DeleteKey(HKEY_CURRENT_USER, tree + "\\C"), ERROR_SUCCESS);
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, tree + "\\C"));

  EXPECT_EQ(RegistryKey::DeleteTree(HKEY_CURRENT_USER, tree), ERROR_SUCCESS);
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, tree + "\\A\\B"));
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, tree + "\\A"));
  EXPECT_EQ(RegistryKey::Open(HKEY_CURRENT_USER, tree).status(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegistryKey::Open(HKEY_CURRENT_USER, kScratch + "\\Beside").ReadText("Name"), "kept");

  // What is gone already is no failure, by either name.
  EXPECT_EQ(RegistryKey::DeleteTree(HKEY_CURRENT_USER, tree), ERROR_SUCCESS);
  EXPECT_EQ(RegistryKey::DeleteTree(HKEY_CURRENT_USER, std::wstring(tree.begin(), tree.end())), ERROR_SUCCESS);
  EXPECT_EQ(RegistryKey::DeleteKey(HKEY_CURRENT_USER, tree), ERROR_SUCCESS);

  // Keys named in wide text go the same way.
  const std::wstring wide = L"Software\\quillet-tests\\RegistryKey\\Wide";
  RegistryKey::Create(HKEY_CURRENT_USER, wide + L"\\Below").WriteText(L"", L"x");
  EXPECT_EQ(RegistryKey::Open(HKEY_CURRENT_USER, kScratch + "\\Wide\\Below").ReadText(), "x");
  EXPECT_EQ(RegistryKey::DeleteTree(HKEY_CURRENT_USER, wide), ERROR_SUCCESS);
  EXPECT_FALSE(RegistryKey::Open(HKEY_CURRENT_USER, wide));
}

TEST_F(RegistryKeyTest, TheLastOwnerClosesTheKeyWhenItGoes) {
  HKEY handle = nullptr;
  {
    RegistryKey kept;
    {
      RegistryKey first = RegistryKey::Create(HKEY_CURRENT_USER, kScratch);
      handle = first.get();
      ASSERT_TRUE(IsOpen(handle));
      kept = std::move(first);
      EXPECT_FALSE(first);
    }
    // The owner it was moved from closed nothing.
    EXPECT_EQ(kept.get(), handle);
    EXPECT_TRUE(IsOpen(handle));
    EXPECT_EQ(kept.WriteText("Name", "still open"), ERROR_SUCCESS);
  }
  EXPECT_FALSE(IsOpen(handle));
}

}  // namespace
}  // namespace quillet::os
