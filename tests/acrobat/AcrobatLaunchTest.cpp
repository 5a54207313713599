// Starting Acrobat under Windows, with real processes and windows: the
// Acrobat program double (acrobat.exe, AcroRd32.exe) found running or
// launched hidden and waited for, the bridge registered by regsvr32 when its
// class is missing, Acrobat shown when its plug-in is not loaded, and every
// wait of the start given up on in bounded time.
#include <windows.h>

#include <algorithm>
#include <chrono>

#include "AcrobatFixture.h"
#include "applications/AcrobatControl.h"
#include "utilities/Strings.h"

namespace quillet::test {
namespace {

// The events of the transcript that begin with one of Prefixes, in order.
Lines Only(const Lines& events, std::initializer_list<const char*> prefixes) {
  Lines out;
  for (const std::string& e : events)
    for (const char* p : prefixes)
      if (e.rfind(p, 0) == 0) {
        out.push_back(e);
        break;
      }
  return out;
}

std::string SystemFolder() {
  char buffer[MAX_PATH];
  const UINT n = ::GetSystemDirectoryA(buffer, MAX_PATH);
  return std::string(buffer, n) + "\\";
}

HWND AcrobatWindow() { return ::FindWindowA("AdobeAcrobatFake", nullptr); }

class AcrobatLaunch : public AcrobatTest {
 protected:
  // Milliseconds the start took.
  long long TimedStart(bool& ok) {
    const auto start = std::chrono::steady_clock::now();
    ok = conv->StartApplication("Adobe Acrobat", error);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  }
  // The command line the converter starts the program with.
  std::string Launched(const std::string& flavour, const std::string& exe) const {
    return "acrobat started \"" + LowerCase(d.AcrobatFolder(flavour)) + "plug_ins\\..\\" + exe + "\"  show 0";
  }
};

TEST_F(AcrobatLaunch, AnAcrobatAlreadyRunningIsUsedAndNothingIsLaunched) {
  d.StartAcrobat();
  ASSERT_EQ(d.AcrobatProcesses().size(), 1u);
  ASSERT_TRUE(conv->StartApplication("Adobe Acrobat", error)) << error;
  EXPECT_FALSE(AcrobatLaunched(*conv));
  EXPECT_TRUE(conv->Applications().Held(TApplication::Acrobat));
  EXPECT_EQ(d.AcrobatProcesses().size(), 1u);
  // The bridge was made right away and asked once.
  EXPECT_EQ(Only(Events(), {"acrobat started", "new ", "call "}),
            (Lines{Only(Events(), {"acrobat started"}).at(0), "new PKApplication",
                   "call PKApplication.IsPlug_insLoadOk method|get"}));
}

TEST_F(AcrobatLaunch, AcrobatNotRunningIsLaunchedHiddenAndItsPlugInAwaited) {
  d.Script(App::Acrobat, "WindowAfterMs=100\nDdeWindowAfterMs=300\nMutexAfterMs=100\nMutexHoldMs=1500\n");
  bool ok = false;
  const long long ms = TimedStart(ok);
  ASSERT_TRUE(ok) << error;
  EXPECT_TRUE(AcrobatLaunched(*conv));
  EXPECT_GE(ms, 1500);  // the plug-in held its mutex that long
  // Hidden, from the folder above the plug-ins folder, and the bridge made
  // only once the plug-in had let go of its mutex.
  EXPECT_EQ(Only(Events(), {"acrobat ", "new ", "call "}),
            (Lines{Launched("Acrobat", "acrobat.exe"), "acrobat window hidden", "acrobat dde window",
                   "acrobat mutex held", "acrobat mutex released", "acrobat ready", "new PKApplication",
                   "call PKApplication.IsPlug_insLoadOk method|get"}));
  ASSERT_NE(AcrobatWindow(), nullptr);
  EXPECT_FALSE(::IsWindowVisible(AcrobatWindow()));

  // A second converter finds it running.
  auto second = std::make_unique<TOfficeConvertClass>();
  EXPECT_TRUE(second->StartApplication("Adobe Acrobat", error)) << error;
  EXPECT_FALSE(AcrobatLaunched(*second));
  EXPECT_EQ(d.AcrobatProcesses().size(), 1u);
}

TEST_F(AcrobatLaunch, AMissingBridgeIsRegisteredByRegsvr32OnceAndMadeOnTheSecondTry) {
  d.UnregisterPlugKit();
  ASSERT_TRUE(conv->StartApplication("Adobe Acrobat", error)) << error;
  const std::string system = SystemFolder();
  // The fixture's own registration, then the converter's.
  const Lines registrations = Only(Events(), {"register", "unregister"});
  ASSERT_EQ(registrations.size(), 2u);
  EXPECT_EQ(registrations[1], "register \"" + system + "regsvr32.exe\" " + system + "plugkit.dll /s");
  EXPECT_TRUE(conv->Applications().Held(TApplication::Acrobat));

  // Registered now: the next converter makes it at once.
  auto second = std::make_unique<TOfficeConvertClass>();
  EXPECT_TRUE(second->StartApplication("Adobe Acrobat", error)) << error;
  EXPECT_EQ(Only(Events(), {"register", "unregister"}).size(), 2u);
}

TEST_F(AcrobatLaunch, APlugInNotLoadedIsReportedAndAcrobatShownToTheUser) {
  d.Script(App::Acrobat, "PlugInsLoadOk=0\n");
  EXPECT_FALSE(conv->StartApplication("Adobe Acrobat", error));
  EXPECT_EQ(error, "Error, the plug-ins for acrobat do not install ok, please install it again!");
  EXPECT_TRUE(AcrobatLaunched(*conv));  // hidden at first ...
  ASSERT_NE(AcrobatWindow(), nullptr);
  EXPECT_TRUE(::IsWindowVisible(AcrobatWindow()));  // ... restored afterwards
  EXPECT_FALSE(::IsIconic(AcrobatWindow()));
  const Lines events = Only(Events(), {"acrobat window", "call "});
  EXPECT_EQ(events,
            (Lines{"acrobat window hidden", "call PKApplication.IsPlug_insLoadOk method|get", "acrobat window shown"}));
}

TEST_F(AcrobatLaunch, APlugInThatNeverLetsGoIsGivenUpOnInBoundedTime) {
  d.Script(App::Acrobat, "Never=release\n");
  SetWait(&AcrobatWaits::PlugInReadyMs, 1500);
  bool ok = true;
  const long long ms = TimedStart(ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(error, "Error, the plug-ins for acrobat did not finish loading within 1.5 seconds");
  EXPECT_GE(ms, 1500);
  EXPECT_LT(ms, 10000);
  EXPECT_FALSE(conv->Applications().Held(TApplication::Acrobat));
  EXPECT_TRUE(conv->Applications().AcrobatBridge().IsEmpty());
  EXPECT_EQ(Only(Events(), {"new "}), Lines{});
  // The limit the library ships with.
  EXPECT_EQ(AcrobatWaits{}.PlugInReadyMs, 120000u);
  EXPECT_EQ(PlugInNotReadyText(AcrobatWaits{}.PlugInReadyMs),
            "Error, the plug-ins for acrobat did not finish loading within 120 seconds");
}

TEST_F(AcrobatLaunch, AMutexThatNeverAppearsIsReported) {
  d.Script(App::Acrobat, "Never=mutex\n");
  SetWait(&AcrobatWaits::MutexOpenMs, 1000);
  bool ok = true;
  const long long ms = TimedStart(ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(error, "Error, Can not open mutex");
  EXPECT_LT(ms, 10000);
}

TEST_F(AcrobatLaunch, ADdeWindowThatNeverAppearsEndsTheWaitWithoutError) {
  d.Script(App::Acrobat, "Never=dde-window\n");
  SetWait(&AcrobatWaits::DdeServerMs, 1000);
  bool ok = false;
  const long long ms = TimedStart(ok);
  EXPECT_TRUE(ok) << error;
  EXPECT_GE(ms, 1000);
  EXPECT_LT(ms, 10000);
  EXPECT_TRUE(conv->Applications().Held(TApplication::Acrobat));
}

TEST_F(AcrobatLaunch, APlugInsFolderOfTheReaderStartsTheReader) {
  WriteSetIni("[Tarnwick\\Quillet COM]\r\nPlug-ins Path=" + d.AcrobatFolder("Reader") + "plug_ins\\\r\n");
  ASSERT_TRUE(conv->StartApplication("Adobe Acrobat", error)) << error;
  EXPECT_TRUE(AcrobatLaunched(*conv));
  // Its DDE server window was looked for under the Reader's program name.
  EXPECT_EQ(Only(Events(), {"acrobat started", "acrobat ready"}),
            (Lines{Launched("Reader", "AcroRd32.exe"), "acrobat ready"}));
}

TEST_F(AcrobatLaunch, AProgramThatCannotBeRunIsReported) {
  WriteSetIni("[Tarnwick\\Quillet COM]\r\nPlug-ins Path=C:\\Nowhere\\Plug_Ins\\\r\n");
  EXPECT_FALSE(conv->StartApplication("Adobe Acrobat", error));
  EXPECT_EQ(error, "Error, Can not run c:\\nowhere\\plug_ins\\..\\acrobat.exe");
  EXPECT_FALSE(AcrobatLaunched(*conv));
  EXPECT_EQ(Only(Events(), {"new "}), Lines{});
}

}  // namespace
}  // namespace quillet::test
