// The fixture of the in-process tests: the library registered once for the
// suite with regsvr32, COM initialised on the test thread, the Word double
// and a folder for each test, and objects created by ProgID the way a client
// creates them. Each test ends with every object released and the library
// freed by COM (CoFreeUnusedLibraries asks DllCanUnloadNow), so the next test
// starts with a new converter and new applications.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConvertApplication/AutomationTypes.h"
#include "DoubleControl.h"
#include "ServerSupport.h"
#include "TestSupport.h"
#include "platform/com/ComPtr.h"

namespace quillet::test {

using com::ComPtr;
using com::UniqueBstr;
using doubles::App;

class ServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void TearDown() override;

  // A new object, created through the registry by ProgID.
  ComPtr<IConvertApplication> Create();
  // True while COM holds quillet.dll loaded in this process.
  static bool LibraryLoaded();

  // A file of the test folder; returns its path.
  std::string File(const std::string& name, const std::string& content = "content\r\n") const;
  // The calls the Word double received that contain Part.
  Lines WordCallsWith(const std::string& part) const;

  // Objects made by the test; released before the library is freed.
  std::vector<ComPtr<IUnknown>> objects;
  doubles::Doubles d;
  TempDir dir;
};

// A BSTR of Text (a library string).
UniqueBstr Bstr(const std::string& text);
// A BSTR of 16-bit Text, embedded NULs included.
UniqueBstr Bstr(const std::wstring& text);

}  // namespace quillet::test
