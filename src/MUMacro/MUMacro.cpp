#include "MUMacro/MUMacro.h"

#include <exception>
#include <string_view>
#include <thread>

#include "platform/clock.h"
#include "platform/error.h"
#include "utilities/Strings.h"

namespace quillet {

namespace {

constexpr std::size_t kControlTextBufferSize = 100;

bool StartsWithWord(const std::string& line, std::string_view word) {
  return LowerCase(std::string_view(line).substr(0, word.size())) == word;
}

std::size_t Position(const std::string& line, char delimiter) {
  const auto at = line.find(delimiter);
  if (at == std::string::npos) throw Error(std::string("Missing \"") + delimiter + "\" in " + line);
  return at;
}

// The text strictly between the first Open and the first Close.
std::string Between(const std::string& line, char open, char close) {
  const auto from = Position(line, open);
  const auto to = Position(line, close);
  if (to < from) throw Error(std::string("\"") + close + "\" before \"" + open + "\" in " + line);
  return line.substr(from + 1, to - from - 1);
}

}  // namespace

void TMUMacro::TypeText(os::WindowHandle control, const std::string& text, std::uint32_t timeoutMs) {
  const auto desktop = os::CurrentDesktop();
  for (const char c : text)
    desktop->SendWindowMessage(control, os::WindowMessage::Char, static_cast<unsigned char>(c), 0, timeoutMs);
}

void TMUMacro::ClickControl(os::WindowHandle control, std::uint32_t timeoutMs) {
  const auto desktop = os::CurrentDesktop();
  desktop->SendWindowMessage(control, os::WindowMessage::SetFocus, 0, 0, timeoutMs);
  desktop->SendWindowMessage(control, os::WindowMessage::LButtonDown, 0, 0, timeoutMs);
  desktop->SendWindowMessage(control, os::WindowMessage::LButtonUp, 0, 0, timeoutMs);
}

void TMUMacro::WaitProcessingMessages(int32_t ms) {
  // Unsigned tick differences stay right when the counter wraps during the wait.
  const uint32_t start = os::TickCount();
  const uint32_t wait = ms > 0 ? static_cast<uint32_t>(ms) : 0;
  do {
    os::ProcessMessages();
    if (os::TicksSince(start) >= wait) break;
    // Give the core to other threads between passes without sleeping, so a
    // message arriving during the wait is still handled at once.
    std::this_thread::yield();
  } while (true);
}

std::string TMUMacro::GetControlClassName(os::WindowHandle control) {
  return os::CurrentDesktop()->WindowClassName(control, kControlTextBufferSize);
}

std::string TMUMacro::GetControlText(os::WindowHandle control) {
  return os::CurrentDesktop()->WindowCaption(control, kControlTextBufferSize);
}

os::WindowHandle TMUMacro::FindChildByClassIndex(const std::string& className, int32_t index, os::WindowHandle parent) {
  // Indices count from 1; anything smaller names no control (and would overflow below).
  if (index < 1) return os::NoWindow;
  const auto desktop = os::CurrentDesktop();
  int32_t count = 0;
  for (auto child = desktop->FirstChild(parent); child != os::NoWindow; child = desktop->NextSibling(child)) {
    if (SameText(GetControlClassName(child), className) && ++count == index) return child;
  }
  for (auto child = desktop->FirstChild(parent); child != os::NoWindow; child = desktop->NextSibling(child)) {
    if (desktop->FirstChild(child) == os::NoWindow) continue;
    if (const auto found = FindChildByClassIndex(className, index - count, child); found != os::NoWindow) return found;
  }
  return os::NoWindow;
}

os::WindowHandle TMUMacro::FindChildByClassCaption(const std::string& className, const std::string& caption,
                                                   os::WindowHandle parent) {
  const auto desktop = os::CurrentDesktop();
  for (auto child = desktop->FirstChild(parent); child != os::NoWindow; child = desktop->NextSibling(child)) {
    if (SameText(GetControlClassName(child), className) && SameText(GetControlText(child), caption)) return child;
  }
  for (auto child = desktop->FirstChild(parent); child != os::NoWindow; child = desktop->NextSibling(child)) {
    if (desktop->FirstChild(child) == os::NoWindow) continue;
    if (const auto found = FindChildByClassCaption(className, caption, child); found != os::NoWindow) return found;
  }
  return os::NoWindow;
}

bool TMUMacro::RunLine(os::WindowHandle window, const std::string& line) {
  if (StartsWithWord(line, "edit")) {
    const int32_t index = StrToInt(Between(line, '#', '='));
    const auto control = FindChildByClassIndex("edit", index, window);
    if (control == os::NoWindow) return false;
    TypeText(control, line.substr(line.find('=') + 1), SendTimeoutMs);
    return true;
  }
  if (StartsWithWord(line, "button")) {
    os::WindowHandle control;
    if (line.find('#') != std::string::npos)
      control = FindChildByClassIndex("button", StrToInt(line.substr(line.find('#') + 1)), window);
    else
      control = FindChildByClassCaption("button", Between(line, '(', ')'), window);
    if (control == os::NoWindow) return false;
    ClickControl(control, SendTimeoutMs);
    return true;
  }
  if (StartsWithWord(line, "delay")) {
    WaitProcessingMessages(StrToInt(Between(line, '(', ')')));
    return true;
  }
  return !line.empty() && line[0] == '[';
}

Status TMUMacro::RunMacro(os::WindowHandle window, const std::string& text) {
  Commands = SplitLines(text);
  for (std::size_t i = 0; i < Commands.size(); ++i) {
    const std::string& line = Commands[i];
    bool done;
    try {
      done = RunLine(window, line);
    } catch (const std::exception&) {
      done = false;
    }
    if (!done)
      return Status::Failed("Can not process No." + IntToStr(static_cast<int64_t>(i + 1)) + " line macro:" + line +
                            ", the window found is not right!");
  }
  return Status::Ok();
}

}  // namespace quillet
