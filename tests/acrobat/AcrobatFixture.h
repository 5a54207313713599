// What the Acrobat tests share: the doubles with Acrobat installed and its
// bridge registered (Windows: the program double under the registry's
// application path and plugkit.dll registered by regsvr32; Linux: the bridge
// double in the server registry), a converter with short waits, and a
// "set.ini" beside the test program that is removed again at the end.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ApplicationsAccess.h"
#include "DoubleControl.h"
#include "TestSupport.h"
#include "engine/OfficeConvert.h"
#include "platform/sysinfo.h"

namespace quillet::test {

using Lines = std::vector<std::string>;
using doubles::App;

class AcrobatTest : public ::testing::Test {
 protected:
  AcrobatTest() {
    d.InstallAcrobat();
    d.RegisterPlugKit();
    // A stage that never finishes fails a test in seconds rather than minutes.
    conv->Applications().SetAcrobatWaits(AcrobatWaits{10000, 5000, 10000});
  }
  ~AcrobatTest() override {
    conv.reset();
    std::remove(SetIniPath().c_str());
  }

  static std::string SetIniPath() { return os::ExecutableFolder() + "set.ini"; }
  static void WriteSetIni(const std::string& text) { WriteFile(SetIniPath(), text); }

  Lines Calls() const { return d.Calls(App::Acrobat); }
  Lines Events() const { return d.Events(App::Acrobat); }

  // Whether Converter's last start of Acrobat launched its program.
  static bool AcrobatLaunched(TOfficeConvertClass& converter) {
    return TOfficeApplicationsTestAccess::AcrobatLaunched(converter.Applications());
  }
  // The fixture's waits with one stage's bound changed.
  void SetWait(uint32_t AcrobatWaits::*stage, uint32_t ms) {
    AcrobatWaits waits = conv->Applications().AcrobatWaitLimits();
    waits.*stage = ms;
    conv->Applications().SetAcrobatWaits(waits);
  }

  // The converter goes, giving the bridge back.
  void Destroy() { conv.reset(); }

  doubles::Doubles d;
  TempDir files;
  std::unique_ptr<TOfficeConvertClass> conv = std::make_unique<TOfficeConvertClass>();
  std::string error = "untouched";
};

}  // namespace quillet::test
