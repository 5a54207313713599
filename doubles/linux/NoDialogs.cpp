// Linux has no windows for a dialog: the script's Dialog key is ignored there.
#include "core/OpenDialog.h"

namespace quillet::doubles {

std::optional<DialogOutcome> RaiseOpenDialog(AppKind, const std::string&, const std::string&, int32_t) {
  return std::nullopt;
}

}  // namespace quillet::doubles
