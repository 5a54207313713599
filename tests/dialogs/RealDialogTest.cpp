// The finder, the macros and the watcher against real windows: a stand-in
// application (WINWORD.EXE, built beside this program) raises its dialogs.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "dialogs/FindAppWindow.h"
#include "sendkeythread/ThreadSendKey.h"
#include "utilities/Strings.h"

namespace quillet {
namespace {

constexpr DWORD kHostExitMs = 30000;
constexpr uint32_t kWatchEndMs = 70000;

std::string BesideThisProgram(const std::string& name) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path = self;
  return path.substr(0, path.find_last_of("\\/") + 1) + name;
}

std::string HostPath() { return BesideThisProgram("WINWORD.EXE"); }

// The stand-in application; killed if it is still running when the test ends.
class HostProcess {
 public:
  HostProcess(const std::string& mode, const std::string& resultFile) {
    std::string command = "\"" + HostPath() + "\" " + mode + " \"" + resultFile + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_);
  }
  ~HostProcess() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info_.hProcess, 99);
      WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;

  bool started() const { return started_; }
  bool running() const { return started_ && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
  // The exit code, or -1 when the process has not ended in time.
  int WaitExit() const {
    if (WaitForSingleObject(info_.hProcess, kHostExitMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<int>(code);
  }

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
};

class RealDialogTest : public ::testing::Test {
 protected:
  // Runs one watch against a freshly started stand-in and returns its result file.
  std::string Watch(const std::string& mode, const std::string& exe, const std::string& window,
                    const std::string& parentExe, const std::string& parent, const std::string& macro,
                    int expectedExit) {
    HostProcess host(mode, result);
    EXPECT_TRUE(host.started()) << HostPath();
    if (!host.started()) return {};
    auto watcher = TThreadSendKey::Create();
    watcher->StartWatch(exe, window, parentExe, parent, macro, 60000);
    EXPECT_TRUE(watcher->WaitFor(kWatchEndMs));
    EXPECT_TRUE(watcher->Running) << "the watch gave up without finding the dialog";
    EXPECT_EQ(host.WaitExit(), expectedExit);
    return test::ReadFile(result);
  }

  test::TempDir dir;
  std::string result = dir / "result.txt";
};

TEST_F(RealDialogTest, WordJobPressesTheDialogsFirstButton) {
  EXPECT_EQ(Watch("word", "winword.exe", "WordPerfect", "", "", "button#1", IDOK), "pressed=1\nedit101=\nedit201=\n");
}

TEST_F(RealDialogTest, MacroTypesIntoFieldsAndFindsButtonsInsideThePanel) {
  // edit#2 and button#3 are past the dialog's own controls: the panel's edit
  // field and its first button.
  EXPECT_EQ(Watch("word", "WINWORD", "wordperfect", "", "", "edit#1=abc\r\nedit#2=x=y\r\nbutton#3", 202),
            "pressed=202\nedit101=abc\nedit201=x=y\n");
}

TEST_F(RealDialogTest, PowerPointJobFindsThePasswordPromptThroughItsOwner) {
  EXPECT_EQ(Watch("powerpoint", "", "Password", "", "Microsoft PowerPoint", "edit#1=secret\r\nbutton#1", IDOK),
            "pressed=1\nedit101=secret\nedit201=\n");
}

TEST_F(RealDialogTest, StandardMessageBoxIsFoundByItsClassAndAnsweredByCaption) {
  EXPECT_EQ(Watch("msgbox", "winword.exe", "#32770", "", "", "button(&No)", IDNO), "pressed=7\nedit101=\nedit201=\n");
}

// A stand-in that hangs once its dialog is up: it handles no message any more.
class HungDialogTest : public RealDialogTest {
 protected:
  // True once a message sent to the dialog waits for an answer that does not come.
  bool DialogWasAsked() {
    for (int i = 0; i < 500; ++i) {
      if (test::ReadFile(result) == "asked\n") return true;
      Sleep(10);
    }
    return false;
  }
};

TEST_F(HungDialogTest, TheWatcherGivesUpOnADialogThatDoesNotAnswer) {
  const auto watcher = TThreadSendKey::Create();  // made first, so that it goes after the host
  HostProcess host("hung", result);
  ASSERT_TRUE(host.started());
  watcher->Macro.SendTimeoutMs = 300;
  watcher->StartWatch("winword.exe", "WordPerfect", "", "", "button#1", 60000);
  ASSERT_TRUE(DialogWasAsked());
  EXPECT_TRUE(watcher->WaitFor(2000)) << "the watcher is held by the dialog";
  EXPECT_FALSE(watcher->Running);
  EXPECT_TRUE(host.running());  // the dialog is still there, unanswered
}

TEST_F(HungDialogTest, ALibraryFreedUnderItsWatcherStaysLoadedUntilTheWatcherHasEnded) {
  HostProcess host("hung", result);
  ASSERT_TRUE(host.started());
  const HMODULE probe = LoadLibraryA(BesideThisProgram("watcher_probe.dll").c_str());
  ASSERT_NE(probe, nullptr);
  using StartWatchAndLetGo = int (*)(const char*, const char*, const char*, unsigned);
  const auto start =
      reinterpret_cast<StartWatchAndLetGo>(reinterpret_cast<void*>(GetProcAddress(probe, "StartWatchAndLetGo")));
  ASSERT_NE(start, nullptr);
  ASSERT_EQ(start("winword.exe", "WordPerfect", "button#1", 300), 1);
  ASSERT_TRUE(DialogWasAsked());

  // The host frees the library while its watcher waits for the dialog's answer.
  ASSERT_TRUE(FreeLibrary(probe));
  EXPECT_EQ(GetModuleHandleA("watcher_probe.dll"), probe) << "the library was unloaded under its watcher";
  // The answer does not come: the watcher gives up and the library goes with it.
  bool unloaded = false;
  for (int i = 0; i < 200 && !unloaded; ++i) {
    unloaded = GetModuleHandleA("watcher_probe.dll") == nullptr;
    if (!unloaded) Sleep(10);
  }
  EXPECT_TRUE(unloaded) << "the library is still loaded";
  EXPECT_TRUE(host.running());
}

TEST_F(RealDialogTest, FinderAndMacroOnTheCallersThread) {
  HostProcess host("word", result);
  ASSERT_TRUE(host.started());
  os::WindowHandle dialog = os::NoWindow;
  for (int i = 0; i < 600 && dialog == os::NoWindow; ++i) {
    dialog = FindAppWindow("WinWord.exe", "#32770", "", "");
    if (dialog == os::NoWindow) Sleep(50);
  }
  ASSERT_NE(dialog, os::NoWindow);
  EXPECT_EQ(LowerCase(GetWindowExeName(dialog)), "winword.exe");
  EXPECT_EQ(FindAppWindow("winword.exe", "CONVERT FILE", "", ""), dialog);
  EXPECT_EQ(FindAppWindow("winword.exe", "WordPerfect", "", "Microsoft PowerPoint"), os::NoWindow);
  EXPECT_EQ(FindAppWindow("excel.exe", "WordPerfect", "", ""), os::NoWindow);

  TMUMacro macro;
  // two own buttons, two in the panel
  EXPECT_EQ(macro.RunMacro(dialog, "button#5").message(),
            "Can not process No.1 line macro:button#5, the window found is not right!");
  EXPECT_TRUE(macro.RunMacro(dialog, "[answer]\r\nedit#1=typed\r\ndelay(10)\r\nbutton(&cancel)").ok());
  EXPECT_EQ(host.WaitExit(), IDCANCEL);
  EXPECT_EQ(test::ReadFile(result), "pressed=2\nedit101=typed\nedit201=\n");
}

}  // namespace
}  // namespace quillet
