// What the macro route and the template macros it runs agree on: the
// macro's name and the job file through which they talk.
#pragma once

#include <string>

namespace quillet {

inline constexpr const char* kMacroName = "quillet.AutoExec.QLConvert";

// "quillet.ini" in the system's temporary folder (the bare name, in the
// current folder, when the system names none). It holds the source path and
// the destination path, one per line; after the macro its first line is the
// macro's answer.
std::string MacroJobFile();

}  // namespace quillet
