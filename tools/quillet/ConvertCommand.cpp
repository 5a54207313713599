// quillet convert SRC DEST: one file through ConvertSingleFile.
#include <cstdio>
#include <stdexcept>

#include "Commands.h"
#include "Library.h"
#include "LingeringOffice.h"

namespace quillet::cli {

int RunConvert(const std::string& src, const std::string& dest, const Ask& ask) {
  Request request;
  try {
    request = MakeRequest(src, dest, ask);
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "quillet: %s\n", e.what());
    return kUsage;
  }
  const Outcome outcome = Convert(request);
  if (outcome.failure == Failure::Deadline || outcome.failure == Failure::OfficeEnded) DropLingeringOffice();
  if (outcome.ok) CountLingeringDocument();
  if (!outcome.ok) {
    for (const SubstitutedFont& font : outcome.fonts) std::fprintf(stderr, "font %s\n", FontLine(font).c_str());
    std::fprintf(stderr, "quillet: %s\n", outcome.error.c_str());
    return kFailed;
  }
  std::printf("converted %s to %s (format %s, %ld ms)\n", src.c_str(), dest.c_str(), request.format.c_str(),
              outcome.milliseconds);
  // One line a font the document named and the machine lacks.
  for (const SubstitutedFont& font : outcome.fonts) std::printf("font %s\n", FontLine(font).c_str());
  return kOk;
}

}  // namespace quillet::cli
