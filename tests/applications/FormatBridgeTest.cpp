// Loading the format library: its three entry points, the four refusals, and
// its unloading with the converter.
#include <gtest/gtest.h>

#include <memory>

#include "ApplicationsAccess.h"
#include "DoubleControl.h"
#include "TestSupport.h"
#include "engine/OfficeConvert.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace quillet {
namespace {

using Access = TOfficeApplicationsTestAccess;

bool FormatBridgeInMemory() {
#ifdef _WIN32
  return ::GetModuleHandleA("fmtbridge.dll") != nullptr;
#else
  void* h = ::dlopen("libfmtbridge.so", RTLD_NOW | RTLD_NOLOAD);
  if (h) ::dlclose(h);
  return h != nullptr;
#endif
}

class FormatBridge : public ::testing::Test {
 protected:
  doubles::Doubles d;  // the control folder the library double writes into
  std::unique_ptr<TOfficeConvertClass> conv = std::make_unique<TOfficeConvertClass>();
  std::string error = "untouched";
};

TEST_F(FormatBridge, LoadsTheLibraryWithItsThreeEntryPointsAndUnloadsItAtTheEnd) {
  doubles::UseFormatBridge("full");
  ASSERT_TRUE(conv->StartApplication("No MS Word", error));
  EXPECT_EQ(error, "untouched");
  EXPECT_TRUE(conv->Applications().Held(TApplication::NoWord));
  const auto bridgeConvert = Access::NoWordConvertProc(conv->Applications());
  ASSERT_NE(bridgeConvert, nullptr);
  EXPECT_NE(Access::GetSourceFormatListProc(conv->Applications()), nullptr);
  EXPECT_NE(Access::GetDestFormatListProc(conv->Applications()), nullptr);
  EXPECT_TRUE(conv->StartApplication("No MS Word", error));  // held

  // The entry point is the library's: a call reaches the double.
  test::WriteFile(d.dir() + "/fmtbridge.script", "Cannot read a.doc");
  char buffer[1024] = "";
  bridgeConvert("a.doc", "", "b.txt", "2", buffer);
  EXPECT_STREQ(buffer, "Cannot read a.doc");
  EXPECT_EQ(test::ReadFile(d.dir() + "/fmtbridge.transcript"),
            "call NoWordConvert \"a.doc\", \"\", \"b.txt\", \"2\", \"\"\n");

  EXPECT_TRUE(FormatBridgeInMemory());
  conv.reset();
  EXPECT_FALSE(FormatBridgeInMemory());
}

TEST_F(FormatBridge, RefusalsNameWhatIsMissing) {
  const struct {
    const char* variant;
    const char* message;
  } cases[] = {
      {"none", "Error, Can not load \"fmtbridge.dll\""},
      {"no-NoWordConvert", "Error, Can not get \"NoWordConvert\" address of \"fmtbridge.dll\""},
      {"no-GetSourceFormatList", "Error, Can not get \"GetSourceFormatList\" address of \"fmtbridge.dll\""},
      // Refused although this entry point is never called.
      {"no-GetDestFormatList", "Error, Can not get \"GetDestFormatList\" address of \"fmtbridge.dll\""},
  };
  for (const auto& c : cases) {
    conv = std::make_unique<TOfficeConvertClass>();
    doubles::UseFormatBridge(c.variant);
    error.clear();
    EXPECT_FALSE(conv->StartApplication("No MS Word", error)) << c.variant;
    EXPECT_EQ(error, c.message);
    EXPECT_FALSE(conv->Applications().Held(TApplication::NoWord));
    // The library stays loaded after a failed look-up, until the converter goes.
    EXPECT_EQ(Access::FormatBridgeModuleHeld(conv->Applications()), std::string(c.variant) != "none") << c.variant;
    conv.reset();
    EXPECT_FALSE(FormatBridgeInMemory()) << c.variant;
  }
}

TEST_F(FormatBridge, TheNextRequestLoadsAgain) {
  doubles::UseFormatBridge("no-GetDestFormatList");
  EXPECT_FALSE(conv->StartApplication("No MS Word", error));
  EXPECT_FALSE(conv->StartApplication("No MS Word", error));
  // Repaired in the meantime: the kept library is given back and the new one loaded.
  doubles::UseFormatBridge("full");
  error.clear();
  EXPECT_TRUE(conv->StartApplication("No MS Word", error));
  EXPECT_EQ(error, "");
  conv.reset();
  EXPECT_FALSE(FormatBridgeInMemory());
}

}  // namespace
}  // namespace quillet
