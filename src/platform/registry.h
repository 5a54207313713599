// Reading the machine's registry. Linux has no registry: every value reads
// as empty there.
#pragma once

#include <string>

namespace quillet::os {

// The text value ValueName (empty: the key's default value) of the key
// HKEY_LOCAL_MACHINE\Key, opened read-only. A missing key or value reads as
// the empty text.
std::string ReadMachineRegistryText(const std::string& key, const std::string& valueName);

}  // namespace quillet::os
