// Acrobat control and the Acrobat route against the bridge double, on both
// systems: where the plug-ins folder comes from, starting the bridge once,
// the plug-in check, what the route hands the bridge and what it makes of the
// answer, and the host's window brought forward around the call.
#include <algorithm>

#include "AcrobatFixture.h"
#include "FakeDesktop.h"
#include "applications/AcrobatControl.h"
#include "platform/path.h"
#include "platform/process.h"
#include "procedures/Routes.h"

#ifdef _WIN32
#include "platform/win32_registry.h"
#endif

namespace quillet::test {
namespace {

const std::string kDelimiter(1, path::kDelimiter);

// The transcript's text of a value passed by reference.
std::string Ref(const std::string& text) { return "ByRef \"" + text + "\""; }

TEST_F(AcrobatTest, ThePlugInsFolderComesFromSetIniBesideTheProgram) {
  const std::string fallback = GetAcrobatFolder() + "plug_ins" + kDelimiter;
#ifdef _WIN32
  EXPECT_EQ(GetAcrobatFolder(), d.AcrobatFolder("Acrobat"));  // from the registry's application path
#else
  EXPECT_EQ(GetAcrobatFolder(), "");  // no registry
#endif
  EXPECT_EQ(GetAcrobatPlugInsFolder(kAcrobatProductName), fallback);

  WriteSetIni("[Other]\r\nPlug-ins Path=wrong\r\n[Tarnwick\\Quillet COM]\r\nPlug-ins Path = /opt/pi/ \r\n");
  EXPECT_EQ(GetAcrobatPlugInsFolder("Quillet COM"), "/opt/pi/");
  // Section and key names without regard to case.
  WriteSetIni("[tarnwick\\QUILLET com]\nplug-ins path=\"/opt/quoted\"\n");
  EXPECT_EQ(GetAcrobatPlugInsFolder("Quillet COM"), "/opt/quoted");
  // A section with other keys only gives the default, as does one for another product.
  WriteSetIni("[Tarnwick\\Quillet COM]\nLanguage=en\n");
  EXPECT_EQ(GetAcrobatPlugInsFolder("Quillet COM"), fallback);
  WriteSetIni("[Tarnwick\\Quillet]\nPlug-ins Path=/opt/pi/\n");
  EXPECT_EQ(GetAcrobatPlugInsFolder("Quillet COM"), fallback);
  EXPECT_EQ(GetAcrobatPlugInsFolder("Quillet"), "/opt/pi/");
}

#ifdef _WIN32
void SetAppPath(const char* name, const char* value) {
  os::RegistryKey::Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Acrobat.exe",
                          KEY_SET_VALUE)
      .WriteText(name ? name : "", value);
}

TEST_F(AcrobatTest, TheAcrobatFolderIsTheApplicationPathsFolderOrItsPathValue) {
  SetAppPath(nullptr, "C:\\Program Files\\Adobe\\Acrobat 5.0\\Acrobat\\Acrobat.exe");
  EXPECT_EQ(GetAcrobatFolder(), "C:\\Program Files\\Adobe\\Acrobat 5.0\\Acrobat\\");
  // A default value without a folder: the "path" value, cut at its first ";".
  SetAppPath(nullptr, "Acrobat.exe");
  SetAppPath("path", "C:\\Adobe\\Acrobat;C:\\Other");
  EXPECT_EQ(GetAcrobatFolder(), "C:\\Adobe\\Acrobat\\");
  SetAppPath("path", "C:\\Adobe\\Reader\\");
  EXPECT_EQ(GetAcrobatFolder(), "C:\\Adobe\\Reader\\");
  EXPECT_EQ(GetAcrobatPlugInsFolder(kAcrobatProductName), "C:\\Adobe\\Reader\\plug_ins\\");
}
#endif

TEST_F(AcrobatTest, TheBridgeIsStartedOnceCheckedAndLetGoAtTheEnd) {
  ASSERT_TRUE(conv->StartApplication("Adobe Acrobat", error)) << error;
  EXPECT_EQ(error, "");
  EXPECT_TRUE(conv->Applications().Held(TApplication::Acrobat));
  EXPECT_TRUE(conv->Applications().AcrobatBridge().IsObject());
  // Windows: no Acrobat was running, so the converter started it. Linux: the
  // bridge is all there is.
  EXPECT_EQ(AcrobatLaunched(*conv), os::kApplicationsHaveWindows);
  EXPECT_EQ(Calls(), Lines{"PKApplication.IsPlug_insLoadOk method|get"});

  error = "untouched";
  EXPECT_TRUE(conv->StartApplication("Adobe Acrobat", error));
  EXPECT_EQ(error, "untouched");
  EXPECT_EQ(Calls().size(), 1u);

  Destroy();
  EXPECT_EQ(d.LiveObjects(App::Acrobat), Lines{});
}

TEST_F(AcrobatTest, APlugInThatIsNotLoadedFailsTheStartAndIsAskedAgainNextTime) {
  d.Script(App::Acrobat, "PlugInsLoadOk=0\n");
  EXPECT_FALSE(conv->StartApplication("Adobe Acrobat", error));
  EXPECT_EQ(error, "Error, the plug-ins for acrobat do not install ok, please install it again!");
  EXPECT_FALSE(conv->Applications().Held(TApplication::Acrobat));
  EXPECT_TRUE(conv->Applications().AcrobatBridge().IsObject());  // kept

  // The next request runs every step again, with a bridge made afresh.
  d.Script(App::Acrobat, "PlugInsLoadOk=1\n");
  error.clear();
  EXPECT_TRUE(conv->StartApplication("Adobe Acrobat", error)) << error;
  EXPECT_TRUE(conv->Applications().Held(TApplication::Acrobat));
  EXPECT_EQ(Calls(), (Lines{"PKApplication.IsPlug_insLoadOk method|get", "PKApplication.IsPlug_insLoadOk method|get"}));
  Destroy();
  EXPECT_EQ(d.LiveObjects(App::Acrobat), Lines{});
}

#ifndef _WIN32
TEST_F(AcrobatTest, ABridgeThatCannotBeMadeIsReported) {
  // Linux has no regsvr32 to register it with: the second attempt fails too.
  d.UnregisterPlugKit();
  EXPECT_FALSE(conv->StartApplication("Adobe Acrobat", error));
  EXPECT_EQ(error, "Can not Load plugkit.dll, please try again!");
  EXPECT_FALSE(conv->Applications().Held(TApplication::Acrobat));
  EXPECT_TRUE(conv->Applications().AcrobatBridge().IsEmpty());
  EXPECT_EQ(Events(), Lines{});
}
#endif

class AcrobatRoute : public AcrobatTest {
 protected:
  // A source of the bridge double: lines of cells separated by "|".
  std::string Source() {
    const std::string src = files / "table.pdf";
    WriteFile(src, "Name|Qty\r\nFig, dried|7\r\n");
    return src;
  }
  // Converts Source through the dispatcher; returns the error text.
  std::string Convert(const std::string& destFormat, const std::string& option) {
    std::string text = "untouched";
    conv->ConvertDocument(Source(), dest, destFormat, option, text);
    return text;
  }
  // The ConvertFile calls the bridge received.
  Lines ConvertCalls() const {
    Lines calls;
    for (const std::string& c : Calls())
      if (c.rfind("PKApplication.ConvertFile", 0) == 0) calls.push_back(c);
    return calls;
  }
  std::string Sent(const std::string& option) const {
    return "PKApplication.ConvertFile method " + Ref(files / "table.pdf") + ", " + Ref(dest) + ", " + Ref(option) +
           ", " + Ref("");
  }
  const std::string dest = files / "table.txt";
};

TEST_F(AcrobatRoute, TheDelimiterCodesReplaceTheWholeOptionText) {
  EXPECT_EQ(Convert("-4", "Adobe Acrobat OPENFORMAT=3 MERGEHTML"), "");
  EXPECT_EQ(ReadFile(dest), "Name,Qty\r\nFig, dried,7\r\n");
  EXPECT_EQ(Convert("-5", "Adobe Acrobat"), "");
  EXPECT_EQ(ReadFile(dest), "Name\tQty\r\nFig, dried\t7\r\n");
  EXPECT_EQ(Convert("-6", "Adobe Acrobat USEGSDLL"), "");
  EXPECT_EQ(ReadFile(dest), "Name;Qty\r\nFig, dried;7\r\n");
  // Every argument by reference, the answer empty before the call, and the
  // destination code itself not passed.
  EXPECT_EQ(ConvertCalls(), (Lines{Sent("delimit=,"), Sent("delimit=\t"), Sent("delimit=;")}));
}

TEST_F(AcrobatRoute, TheTabOptionIsExactlyNineCharacters) {
  EXPECT_EQ(Convert("-5", "Adobe Acrobat"), "");
  const Lines calls = ConvertCalls();
  ASSERT_EQ(calls.size(), 1u);
  // The option as the bridge received it, between the quotes of the third
  // argument: eight characters and one tab, nothing after it.
  const std::string before = Ref(dest) + ", ByRef \"";
  const size_t at = calls[0].find(before);
  ASSERT_NE(at, std::string::npos) << calls[0];
  const size_t begin = at + before.size();
  const std::string received = calls[0].substr(begin, calls[0].find('"', begin) - begin);
  EXPECT_EQ(received.size(), 9u) << received;
  EXPECT_EQ(received.substr(0, 8), "delimit=");
  EXPECT_EQ(received.back(), '\t');
}

TEST_F(AcrobatRoute, OtherCodesPassTheOptionTextThroughUntouched) {
  const std::string option = "Adobe Acrobat delimit=| OPENFORMAT=3 USEGSDLL";
  EXPECT_EQ(Convert("0", option), "");
  EXPECT_EQ(ReadFile(dest), "Name|Qty\r\nFig, dried|7\r\n");
  // Compared as whole texts: near misses are other codes.
  EXPECT_EQ(Convert("-04", "Adobe Acrobat"), "");
  EXPECT_EQ(Convert("-4 ", "Adobe Acrobat"), "");
  EXPECT_EQ(ReadFile(dest), "Name Qty\r\nFig, dried 7\r\n");  // no delimiter: blanks
  EXPECT_EQ(ConvertCalls(), (Lines{Sent(option), Sent("Adobe Acrobat"), Sent("Adobe Acrobat")}));
}

TEST_F(AcrobatRoute, TheBridgesAnswerIsTheErrorTextUnchanged) {
  d.Script(App::Acrobat, "ConvertAnswer=  Error: the PDF file is damaged (page 3).  \n");
  EXPECT_EQ(Convert("-4", "Adobe Acrobat"), "  Error: the PDF file is damaged (page 3).  ");
}

TEST_F(AcrobatRoute, AFailingCallGivesItsAutomationErrorAndNoException) {
  d.Script(App::Acrobat, "Fail=PKApplication.ConvertFile|Acrobat has gone away.\n");
  EXPECT_EQ(Convert("-4", "Adobe Acrobat"), "Acrobat has gone away.");
  d.Script(App::Acrobat, "Unknown=PKApplication.ConvertFile\n");
  conv = std::make_unique<TOfficeConvertClass>();  // a bridge made with that script
  EXPECT_EQ(Convert("-4", "Adobe Acrobat"), "Method 'ConvertFile' not supported by automation object");
}

TEST_F(AcrobatRoute, WithoutABridgeTheRouteFailsWithATextOfItsOwn) {
  const Status outcome = ConvertWithAcrobat(*conv, TConversionRequest::Parse(Source(), dest, "-4", ""));
  EXPECT_FALSE(outcome.ok());
  EXPECT_NE(outcome.message(), "");
  EXPECT_EQ(Calls(), Lines{});
}

// The host's window, on an in-memory desktop installed once the bridge runs.
class HostWindow : public AcrobatRoute {
 protected:
  void SetUp() override {
    ASSERT_TRUE(conv->StartApplication("Adobe Acrobat", error)) << error;
    desktop = std::make_shared<FakeDesktop>();
    scoped = std::make_unique<ScopedDesktop>(desktop);
  }
  void TearDown() override { scoped.reset(); }
  std::string ConvertDirectly() {
    return ConvertWithAcrobat(*conv, TConversionRequest::Parse(Source(), dest, "-4", "")).message();
  }
  std::shared_ptr<FakeDesktop> desktop;
  std::unique_ptr<ScopedDesktop> scoped;
  const os::ProcessId self = os::CurrentProcessId();
};

TEST_F(HostWindow, TheHostsActivePopupIsBroughtForwardBeforeAndAfterTheCall) {
  desktop->AddWindow("Other", "Someone else", self + 1);
  const auto main = desktop->AddWindow("TMainForm", "Host", self);
  const auto progress = desktop->AddWindow("TProgress", "Converting...", self, main);
  desktop->SetLastActivePopup(main, progress);
  EXPECT_EQ(ConvertDirectly(), "");
  const std::string front = "foreground " + std::to_string(progress);
  EXPECT_EQ(desktop->Actions(), (Lines{front, front}));
}

TEST_F(HostWindow, NothingIsBroughtForwardWithoutAVisibleEnabledPopupOfTheHost) {
  const auto main = desktop->AddWindow("TMainForm", "Host", self);
  const auto popup = desktop->AddWindow("TDialog", "Dialog", self, main);
  // The host's window is its own last active pop-up.
  EXPECT_EQ(ConvertDirectly(), "");
  // A disabled pop-up, a hidden one.
  desktop->SetLastActivePopup(main, popup);
  desktop->SetWindowState(popup, true, false);
  EXPECT_EQ(ConvertDirectly(), "");
  desktop->SetWindowState(popup, false, true);
  EXPECT_EQ(ConvertDirectly(), "");
  // A hidden host window is no application window; another program's windows are not the host's.
  desktop->SetWindowState(popup, true, true);
  desktop->SetWindowState(main, false, true);
  const auto foreign = desktop->AddWindow("TMainForm", "Host", self + 1);
  desktop->SetLastActivePopup(foreign, desktop->AddWindow("TDialog", "Dialog", self + 1, foreign));
  EXPECT_EQ(ConvertDirectly(), "");
  EXPECT_EQ(desktop->Actions(), Lines{});
  EXPECT_EQ(ConvertCalls().size(), 4u);  // every conversion still went to the bridge
}

}  // namespace
}  // namespace quillet::test
