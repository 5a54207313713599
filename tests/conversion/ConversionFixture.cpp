#include "ConversionFixture.h"

#include <cctype>

namespace quillet::test {

std::string ConversionTest::File(const std::string& name, const std::string& content) const {
  const std::string path = dir / name;
  WriteFile(path, content);
  return path;
}

Lines ConversionTest::CallsFrom(App app, const std::string& marker) const {
  const Lines all = Calls(app);
  for (size_t i = 0; i < all.size(); ++i)
    if (all[i].find(marker) != std::string::npos) return Lines(all.begin() + static_cast<long>(i), all.end());
  return {};
}

Lines ConversionTest::CallsWith(App app, const std::string& part) const {
  Lines found;
  for (const std::string& line : Calls(app))
    if (line.find(part) != std::string::npos) found.push_back(line);
  return found;
}

Lines ReportLines(const std::string& report) {
  Lines lines;
  if (report.empty()) return lines;
  size_t start = 0;
  for (;;) {
    const size_t end = report.find("\r\n", start);
    lines.push_back(report.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return lines;
}

bool IsTimeStamped(const std::string& line, const std::string& rest) {
  if (line.size() < 8) return false;
  for (size_t i : {0u, 1u, 3u, 4u, 6u, 7u})
    if (!std::isdigit(static_cast<unsigned char>(line[i]))) return false;
  return line[2] == ':' && line[5] == ':' && line.substr(8) == rest;
}

}  // namespace quillet::test
