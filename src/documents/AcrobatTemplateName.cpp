#include "documents/AcrobatTemplateName.h"

#include <cstdint>

#include "platform/msgbox.h"
#include "platform/registry.h"
#include "utilities/SysUtils.h"

namespace quillet {

void GetAcrobatTemplateName(std::string& name) {
  name.clear();
  std::string exe = os::ReadMachineRegistryText(kAcrobatAppPathKey, "");
  if (exe.empty()) {
    const std::string folder = os::ReadMachineRegistryText(kAcrobatAppPathKey, "path");
    if (folder.empty()) {
      os::ShowMessageBox(
          std::string("Can not get acrobat.exe path, maybe you do not install the full function acrobat, our product "
                      "do not support the free acrobat reader, if you have not the full function adobe acrobat, you "
                      "can order it from ") +
              kAcrobatOrderPage + "!",
          "Error");
      return;
    }
    exe = folder + "\\acrobat.exe";
  }

  uint16_t major = 0, minor = 0, release = 0, build = 0;
  if (!GetFileVersionNumbers(exe, major, minor, release, build)) return;
  if (major == 5 && minor == 0 && release < 5) release = 1;
  if (major == 6 && minor == 0) release = 0;
  name = "ferrule" + std::to_string(major) + std::to_string(minor) + std::to_string(release) + ".dat";
}

}  // namespace quillet
