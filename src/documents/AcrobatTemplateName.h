// The file name of the Word template made for the installed Acrobat version.
#pragma once

#include "utilities/Maker.h"
#include <string>

namespace quillet {

// The registry key of acrobat.exe's application path, under HKEY_LOCAL_MACHINE.
inline constexpr const char* kAcrobatAppPathKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Acrobat.exe";

// The page where the full Acrobat can be ordered, named by the message shown
// when acrobat.exe is not registered.
inline constexpr const char* kAcrobatOrderPage = kMakerOrderPage;

// "ferrule" + major + minor + release + ".dat" of acrobat.exe's file version
// (5.0.0 to 5.0.4 count as 5.0.1, every 6.0.x as 6.0.0), e.g.
// "ferrule505.dat", without a folder. Empty when acrobat.exe is not
// registered (after a message box saying so) or has no readable version.
void GetAcrobatTemplateName(std::string& name);

}  // namespace quillet
