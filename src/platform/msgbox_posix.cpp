#include <cstdio>

#include "platform/msgbox.h"

namespace quillet::os {

void ShowSystemMessageBox(const std::string& text, const std::string& caption) {
  // No desktop to show a box on: one line on stderr, nothing waits.
  std::fprintf(stderr, "quillet: %s: %s\n", caption.c_str(), text.c_str());
}

}  // namespace quillet::os
