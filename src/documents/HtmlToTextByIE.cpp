#include "documents/HtmlToTextByIE.h"

#include <chrono>

#include "platform/clock.h"
#include "utilities/automation/Automation.h"
#include "utilities/Guarded.h"
#include "utilities/Messages.h"
#include "utilities/Strings.h"
#include "utilities/SysUtils.h"

namespace quillet {

namespace {

// Between two polls the calling thread's messages are dispatched and it
// pauses briefly: a page that takes a minute to load must not keep a core
// busy with calls into the browser.
constexpr uint32_t kPollPauseMs = 10;

// Asks Condition until it no longer holds; false when it still holds after
// LimitMs. A failure of Condition leaves the routine.
template <class F>
bool WaitWhile(F&& condition, uint32_t limitMs) {
  // The system's tick is whole milliseconds: two readings of it can be a
  // millisecond further apart than the time between them, and the bound must
  // never be cut short.
  const auto start = std::chrono::steady_clock::now();
  while (condition()) {
    if (std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(limitMs)) return false;
    os::ProcessMessages();
    os::SleepMs(kPollPauseMs);
  }
  return true;
}

std::string LimitText(uint32_t ms) {
  if (ms % 1000 == 0) return IntToStr(ms / 1000) + (ms == 1000 ? " second" : " seconds");
  return IntToStr(ms) + " ms";
}

}  // namespace

std::string PageStillBusyText(const std::string& page, uint32_t waitLimitMs) {
  return "Error, Internet Explorer was still busy loading \"" + page + "\" after " + LimitText(waitLimitMs);
}

std::string PageNotCompleteText(const std::string& page, uint32_t waitLimitMs) {
  return "Error, Internet Explorer did not finish loading \"" + page + "\" within " + LimitText(waitLimitMs);
}

void HtmlToTextByIE(const std::string& SourcePath, const std::string& DestPath, std::string& ErrorText,
                    uint32_t WaitLimitMs) {
  ErrorText.clear();
  ole::Variant ie;
  try {
    ie = ole::Variant(ole::CreateOleObject("InternetExplorer.Application"));
  } catch (const std::exception&) {
    ErrorText = texts::kCannotCreateBrowser;
    return;
  }
  ie.Put("visible", false);
  ie.Call("Navigate", {SourcePath});

  if (!WaitWhile([&] { return ie.Get("Busy").AsBoolean(); }, WaitLimitMs)) {
    ErrorText = PageStillBusyText(SourcePath, WaitLimitMs);
  } else if (!WaitWhile([&] { return ie.Get("ReadyState").AsInteger() != 4; }, WaitLimitMs)) {
    ErrorText = PageNotCompleteText(SourcePath, WaitLimitMs);
  } else {
    bool saved = false;
    Ignoring([&] {
      const std::string text = ie.Get("Document").Get("documentElement").Get("innerText").AsString();
      saved = SaveTextToFile(DestPath, text);
    });
    if (!saved) ErrorText = texts::kCannotSaveBrowserText;
  }

  // A page that never finished loading still has its instance told to quit.
  Ignoring([&] {
    ie.Call("quit");
    ie = ole::Variant();
  });
}

}  // namespace quillet
