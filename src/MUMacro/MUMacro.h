// The dialog macro interpreter: runs a few text lines against the child
// controls of a dialog window, one command a line:
//   edit#N=TEXT      types TEXT into the N-th edit control
//   button#N         clicks the N-th button control
//   button(CAPTION)  clicks the button whose caption is CAPTION
//   delay(MS)        waits MS milliseconds, pumping the thread's messages
//   [anything        does nothing
// The command word is recognised by the first characters of the line, ignoring
// case; lines are taken exactly as they stand.
#pragma once

#include <cstdint>
#include <string>

#include "platform/desktop.h"
#include "platform/status.h"
#include "utilities/TextLines.h"

namespace quillet {

// How long a control may take to answer one message before its line fails.
constexpr std::uint32_t kDefaultSendTimeoutMs = 2000;

class TMUMacro {
 public:
  // The lines of the macro last run (assigning copies the given lines in).
  StringList Commands;
  // How long RunMacro waits for a control to answer each message. A control
  // whose thread does not answer in time (its application hangs) fails its
  // line, so a macro never holds its thread longer than this per message.
  std::uint32_t SendTimeoutMs = kDefaultSendTimeoutMs;

  // Runs every line of Text against Window in order. Success when each was
  // carried out, else a failure naming the first line that failed; the later
  // lines are not run. Never raises.
  Status RunMacro(os::WindowHandle window, const std::string& text);

  // Sends each byte of Text, in order, as a character message (lParam 0).
  // Each message waits at most TimeoutMs for its answer; raises Error when it
  // gets none.
  static void TypeText(os::WindowHandle control, const std::string& text,
                       std::uint32_t timeoutMs = kDefaultSendTimeoutMs);
  // Focus, left button down, left button up, all at the control's top-left
  // corner; each message as in TypeText.
  static void ClickControl(os::WindowHandle control, std::uint32_t timeoutMs = kDefaultSendTimeoutMs);
  // Pumps the calling thread's messages until Ms milliseconds have passed.
  static void WaitProcessingMessages(int32_t ms);

  // Class name and caption, at most 99 characters each.
  static std::string GetControlClassName(os::WindowHandle control);
  static std::string GetControlText(os::WindowHandle control);

  // The Index-th (from 1) control of ClassName among Parent's children; when
  // Parent's own children hold fewer than Index, each child that has children
  // is searched with Index less the count found among Parent's children (the
  // same reduced index for each of them). NoWindow when there is none.
  static os::WindowHandle FindChildByClassIndex(const std::string& className, int32_t index, os::WindowHandle parent);
  // The first control of ClassName whose caption is Caption (whole texts,
  // ignoring case), looked for among Parent's children first, then in each
  // child's own children in turn.
  static os::WindowHandle FindChildByClassCaption(const std::string& className, const std::string& caption,
                                                  os::WindowHandle parent);

 private:
  // Carries out one line; false when its control is not found or it is of no
  // known kind. Raises Error for a malformed argument.
  bool RunLine(os::WindowHandle window, const std::string& line);
};

}  // namespace quillet
