#include <chrono>
#include <filesystem>
#include <string>

#include "FuzzTargets.h"
#include "exports/SaveReport.h"
#include "utilities/ConversionLines.h"
#include "utilities/TextLines.h"

namespace quillet::fuzz {

// Input: three bytes of time, then source, destination and error text
// separated by NULs.
int ReportLine(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const os::TimeOfDay time{data[0] % 24, data[1] % 60, data[2] % 60};
  std::string parts[3];
  int k = 0;
  for (size_t i = 3; i < size; ++i) {
    if (data[i] == 0 && k < 2)
      ++k;
    else
      parts[k] += static_cast<char>(data[i]);
  }
  const std::string& src = parts[0];
  const std::string& dest = parts[1];
  const std::string& error = parts[2];

  const std::string stamp = TimeText(time);
  FUZZ_CHECK(stamp.size() == 8 && stamp[2] == ':' && stamp[5] == ':');
  const std::string failure = FailureLine(time, src, dest, error);
  FUZZ_CHECK(failure == stamp + "        can not convert " + src + " to " + dest + ", Error Reason is " + error);
  FUZZ_CHECK(SuccessLine(time, src, dest) == stamp + "        successfully convert " + src + " to " + dest);

  // A report of two such lines written and read back: the same lines, cut
  // where the texts themselves break lines (and ended at a NUL, as the
  // library's text files are).
  static const std::string file =
      (std::filesystem::temp_directory_path() /
       ("quillet-fuzz-report-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".txt"))
          .string();
  const std::string report = failure + "\r\n" + failure;
  FUZZ_CHECK(SaveReport(file, report));
  FUZZ_CHECK(LoadLinesFromFile(file) == SplitLines(report));
  return 0;
}

}  // namespace quillet::fuzz
