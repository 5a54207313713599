// The template name of the installed Acrobat from acrobat.exe's version
// resource: small programs built with Acrobat's version numbers, registered
// under the App Paths key the way Acrobat registers itself.
#include "PrintingFixture.h"
#include "documents/AcrobatTemplateName.h"
#include "platform/win32_registry.h"

namespace quillet::test {
namespace {

std::string WindowsPath(std::string p) {
  if (!p.empty() && p[0] == '/') p = "Z:" + p;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

// The App Paths key as the test sets it, removed afterwards.
class AppPaths {
 public:
  ~AppPaths() { os::RegistryKey::DeleteKey(HKEY_LOCAL_MACHINE, kAcrobatAppPathKey); }
  void Set(const char* value, const std::string& text) {
    os::RegistryKey::DeleteKey(HKEY_LOCAL_MACHINE, kAcrobatAppPathKey);
    os::RegistryKey::Create(HKEY_LOCAL_MACHINE, kAcrobatAppPathKey, KEY_SET_VALUE).WriteText(value ? value : "", text);
  }
};

std::string Exe(const std::string& version) {
  return WindowsPath(std::string(QUILLET_ACROBAT_VERSIONS_DIR) + "/" + version + "/acrobat.exe");
}

std::string NameFor(AppPaths& key, const char* value, const std::string& text) {
  key.Set(value, text);
  std::string name = "not emptied";
  GetAcrobatTemplateName(name);
  return name;
}

TEST(AcrobatTemplate, TheVersionRulesGiveTheTemplateNames) {
  AppPaths key;
  MessageBoxRecorder boxes;
  EXPECT_EQ(NameFor(key, nullptr, Exe("5.0.4")), "ferrule501.dat");
  EXPECT_EQ(NameFor(key, nullptr, Exe("5.0.5")), "ferrule505.dat");
  EXPECT_EQ(NameFor(key, nullptr, Exe("5.1.0")), "ferrule510.dat");
  EXPECT_EQ(NameFor(key, nullptr, Exe("6.0.2")), "ferrule600.dat");
  EXPECT_EQ(NameFor(key, nullptr, Exe("7.0.5")), "ferrule705.dat");
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST(AcrobatTemplate, AFolderInThePathValueNamesAcrobatExeInIt) {
  AppPaths key;
  const std::string folder = WindowsPath(std::string(QUILLET_ACROBAT_VERSIONS_DIR) + "/7.0.5");
  EXPECT_EQ(NameFor(key, "path", folder), "ferrule705.dat");
}

TEST(AcrobatTemplate, WithoutAcrobatAMessageBoxSaysWhereToOrderIt) {
  AppPaths key;
  os::RegistryKey::DeleteKey(HKEY_LOCAL_MACHINE, kAcrobatAppPathKey);
  MessageBoxRecorder boxes;
  std::string name = "not emptied";
  GetAcrobatTemplateName(name);
  EXPECT_EQ(name, "");
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text,
            std::string("Can not get acrobat.exe path, maybe you do not install the full function acrobat, our "
                        "product do not support the free acrobat reader, if you have not the full function adobe "
                        "acrobat, you can order it from ") +
                kAcrobatOrderPage + "!");
}

TEST(AcrobatTemplate, AnExecutableWithoutAVersionGivesNoNameAndNoMessage) {
  AppPaths key;
  MessageBoxRecorder boxes;
  EXPECT_EQ(NameFor(key, nullptr, Exe("none")), "");
  EXPECT_EQ(NameFor(key, nullptr, WindowsPath(std::string(QUILLET_ACROBAT_VERSIONS_DIR) + "/missing.exe")), "");
  EXPECT_TRUE(boxes.boxes().empty());
}

}  // namespace
}  // namespace quillet::test
