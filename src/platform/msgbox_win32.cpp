#include <windows.h>

#include "platform/msgbox.h"

namespace quillet::os {

void ShowSystemMessageBox(const std::string& text, const std::string& caption) {
  ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

}  // namespace quillet::os
