// The maker's addresses, as the library hands them out ("buypath",
// "homepath") and as the Acrobat plug-in knows them: the name of the mutex it
// holds once loaded is the help page address in lower case.
#pragma once

namespace quillet {

inline constexpr const char* kMakerHelpPage = "http://www.tarnwick.com/quillet/help.htm";
inline constexpr const char* kMakerHomePage = "http://www.tarnwick.com/quillet/";
inline constexpr const char* kMakerOrderPage = "http://www.tarnwick.com/quillet/order.htm";

}  // namespace quillet
