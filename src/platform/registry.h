// Reading the system's registry (Windows). Linux has no registry: every value
// reads as absent.
#pragma once

#include <string>

namespace quillet::os {

// The text of value Name (empty Name: the key's default value) of Key under
// HKEY_LOCAL_MACHINE, opened read-only. Empty when the key or the value does
// not exist or is not a text; an expandable text is returned as stored.
std::string ReadMachineRegistryText(const std::string& key, const std::string& name);

}  // namespace quillet::os
