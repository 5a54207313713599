// The command line's commands; each returns the program's exit status:
// 0 done, 1 a conversion failed (or, for "office status", no office runs),
// 2 a usage or set-up error.
#pragma once

#include <string>

#include "Request.h"

namespace quillet::cli {

inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

int RunConvert(const std::string& src, const std::string& dest, const Ask& ask);

struct FolderArgs {
  std::string src, dest;
  Ask ask;
  bool recurse = false;
  size_t jobs = 1;
  std::string report, json;
};
int RunFolder(const FolderArgs& args);

// Instances: "start" starts that many shared offices, on the well-known pipe
// and on "<pipe>-2" ... (folder runs with --jobs attach to them).
int RunOffice(const std::string& action, size_t instances = 1);
int RunFormats(bool library);
int RunField(const std::string& name);

}  // namespace quillet::cli
