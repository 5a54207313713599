#include <cctype>
#include <string>

#include "FakeDesktop.h"
#include "FuzzTargets.h"
#include "MUMacro/MUMacro.h"
#include "utilities/TextLines.h"

namespace quillet::fuzz {

int Macro(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // A delay longer than a few milliseconds would only make the run slow. The
  // command word is matched in any letter case, so the search is too.
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (size_t at = lower.find("delay"); at != std::string::npos; at = lower.find("delay", at + 1)) {
    const size_t close = lower.find(')', at);
    if (close == std::string::npos || close - at > 8) return 0;
  }
  auto desktop = std::make_shared<test::FakeDesktop>();
  test::ScopedDesktop installed(desktop);
  desktop->AddProcess(7, "WINWORD.EXE");
  // A dialog with two edits and three buttons, and a panel holding one more
  // of each.
  const auto dialog = desktop->AddWindow("#32770", "Convert File - WordPerfect", 7);
  const auto edit1 = desktop->AddChild(dialog, "Edit", "");
  desktop->AddChild(dialog, "Edit", "");
  desktop->AddChild(dialog, "Button", "OK");
  desktop->AddChild(dialog, "Button", "Cancel");
  const auto panel = desktop->AddChild(dialog, "QuilletPanel", "");
  desktop->AddChild(panel, "Edit", "");
  desktop->AddChild(panel, "Button", "&Options");

  TMUMacro macro;
  const std::string errorText = macro.RunMacro(dialog, text).message();
  FUZZ_CHECK(macro.Commands == SplitLines(text));
  FUZZ_CHECK(errorText.empty() || errorText.rfind("Can not process No.", 0) == 0);
  // Whatever was typed came out of the macro text.
  const std::string typed = desktop->Typed(edit1);
  FUZZ_CHECK(typed.size() <= text.size());
  for (char c : typed) FUZZ_CHECK(text.find(c) != std::string::npos);
  return 0;
}

}  // namespace quillet::fuzz
