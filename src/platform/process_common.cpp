#include "platform/process.h"

namespace quillet::os {

std::string BuildCommandLine(const std::string& program, const std::string& params) {
  return "\"" + program + "\" " + params;
}

std::vector<std::string> SplitParameters(const std::string& params) {
  std::vector<std::string> args;
  std::string current;
  bool inArg = false, quoted = false;
  for (const char c : params) {
    if (c == '"') {
      quoted = !quoted;
      inArg = true;  // "" is an empty argument of its own
    } else if (c == ' ' && !quoted) {
      if (inArg) args.push_back(std::move(current));
      current.clear();
      inArg = false;
    } else {
      current += c;
      inArg = true;
    }
  }
  if (inArg) args.push_back(std::move(current));
  return args;
}

}  // namespace quillet::os
