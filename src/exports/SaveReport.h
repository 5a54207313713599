#pragma once

#include <string>

namespace quillet {

// Writes a folder report to FileName, creating its folder first. Each line is
// followed by CR LF; an empty report gives an empty file. A failure to create
// the folder raises; a failure while writing gives false.
bool SaveReport(const std::string& fileName, const std::string& text);

}  // namespace quillet
