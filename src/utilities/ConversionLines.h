// The one-line records of a conversion's outcome that the library writes: the
// lines of a folder report and the log of a slide-image conversion.
//
//   14:05:09        can not convert C:\in\a.doc to C:\out\a.txt, Error Reason is <text>
//   14:05:09        successfully convert C:\in\deck.ppt to C:\out\deck.jpg
#pragma once

#include <string>

#include "platform/clock.h"

namespace quillet {

// "hh:nn:ss", two digits each, 24-hour hours.
std::string TimeText(const os::TimeOfDay& time);

std::string FailureLine(const os::TimeOfDay& time, const std::string& src, const std::string& dest,
                        const std::string& errorText);
std::string SuccessLine(const os::TimeOfDay& time, const std::string& src, const std::string& dest);

}  // namespace quillet
