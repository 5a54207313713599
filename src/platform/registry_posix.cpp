#include "platform/registry.h"

namespace quillet::os {

std::string ReadMachineRegistryText(const std::string& /*key*/, const std::string& /*name*/) { return {}; }

}  // namespace quillet::os
