#include "utilities/ConversionLines.h"

#include <cstdio>

namespace quillet {

std::string TimeText(const os::TimeOfDay& time) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", time.Hour % 100, time.Minute % 100, time.Second % 100);
  return buf;
}

std::string FailureLine(const os::TimeOfDay& time, const std::string& src, const std::string& dest,
                        const std::string& errorText) {
  return TimeText(time) + "        can not convert " + src + " to " + dest + ", Error Reason is " + errorText;
}

std::string SuccessLine(const os::TimeOfDay& time, const std::string& src, const std::string& dest) {
  return TimeText(time) + "        successfully convert " + src + " to " + dest;
}

}  // namespace quillet
