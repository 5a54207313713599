#include "platform/registry.h"

namespace quillet::os {

std::string ReadMachineRegistryText(const std::string&, const std::string&) { return {}; }

}  // namespace quillet::os
