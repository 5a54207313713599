#include "utilities/TextLines.h"

#include <cstdio>
#include <memory>

#include "platform/error.h"
#include "platform/file.h"

namespace quillet {

StringList SplitLines(std::string_view text) {
  const auto nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  StringList lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

std::string JoinLinesCrLf(const StringList& lines) {
  std::string text;
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

StringList LoadLinesFromFile(const std::string& fileName) {
  os::UniqueFile f(std::fopen(fileName.c_str(), "rb"));
  if (!f) throw Error("Cannot open file " + fileName);
  std::string content;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) content.append(buf, n);
  if (std::ferror(f.get())) throw Error("Cannot open file " + fileName);
  return SplitLines(content);
}

void SaveLinesToFile(const std::string& fileName, const StringList& lines) {
  os::UniqueFile f(std::fopen(fileName.c_str(), "wb"));
  if (!f) throw Error("Cannot create file " + fileName);
  const std::string text = JoinLinesCrLf(lines);
  if (std::fwrite(text.data(), 1, text.size(), f.get()) != text.size() || std::fflush(f.get()) != 0)
    throw Error("Cannot create file " + fileName);
}

}  // namespace quillet
