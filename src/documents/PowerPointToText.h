// The plain text of a presentation that PowerPoint has open: the text of every
// top-level shape that holds text, slide by slide, one entry per shape.
#pragma once

#include <string>

#include "utilities/automation/Automation.h"

namespace quillet {

// Writes the texts to DestPath (each followed by CR LF, replacing the file;
// folders are not created). ErrorText is emptied first; a failure of the walk
// (nothing is written then) or of the save puts its message there, and the
// routine never raises.
void PowerPointToText(const ole::Variant& Presentation, const std::string& DestPath, std::string& ErrorText);

}  // namespace quillet
