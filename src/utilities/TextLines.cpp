#include "utilities/TextLines.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "platform/error.h"
#include "platform/file.h"

namespace quillet {

namespace {

constexpr auto npos = std::string_view::npos;

// Calls Take with every line of Text. The next CR and the next LF are each
// searched for only once they have been passed, so a text with only one kind
// of line break is not searched through for the other at every line.
template <class Take>
void ForEachLine(std::string_view text, Take take) {
  const auto nul = text.find('\0');
  if (nul != npos) text = text.substr(0, nul);
  size_t cr = text.find('\r'), lf = text.find('\n');
  size_t start = 0;
  while (start < text.size()) {
    if (cr < start) cr = text.find('\r', start);
    if (lf < start) lf = text.find('\n', start);
    const size_t end = std::min(cr, lf);
    if (end == npos) {
      take(text.substr(start));
      break;
    }
    take(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
}

void WriteWholeFile(const std::string& fileName, std::string_view content) {
  os::UniqueFile f(os::OpenRegularFile(fileName, "wb"));
  if (!f) throw Error("Cannot create file " + fileName, ErrorCode::FileSystem);
  if (std::fwrite(content.data(), 1, content.size(), f.get()) != content.size() || std::fflush(f.get()) != 0)
    throw Error("Cannot create file " + fileName, ErrorCode::FileSystem);
}

}  // namespace

StringList SplitLines(std::string_view text) {
  StringList lines;
  ForEachLine(text, [&lines](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

std::string JoinLinesCrLf(const StringList& lines) {
  size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string CrLfLines(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32 + 2);
  ForEachLine(text, [&out](std::string_view line) {
    out += line;
    out += "\r\n";
  });
  return out;
}

std::string LoadTextFromFile(const std::string& fileName) {
  os::UniqueFile f(os::OpenRegularFile(fileName, "rb"));
  if (!f) throw Error("Cannot open file " + fileName, ErrorCode::FileSystem);
  // The size the file reports is only a hint: some files of the system's own
  // report none, a folder opened as a file may report anything, and a file may
  // be growing. So it is used only once reading has started well.
  int64_t hint = 0;
  if (os::Seek64(f.get(), 0, SEEK_END)) hint = os::Tell64(f.get());
  std::rewind(f.get());
  char buf[65536];
  size_t n = std::fread(buf, 1, sizeof buf, f.get());
  std::string content(buf, n);
  if (n == sizeof buf && hint > static_cast<int64_t>(n)) {
    content.resize(static_cast<size_t>(hint));
    content.resize(n + std::fread(content.data() + n, 1, content.size() - n, f.get()));
  }
  while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) content.append(buf, n);
  if (std::ferror(f.get())) throw Error("Cannot open file " + fileName, ErrorCode::FileSystem);
  return content;
}

StringList LoadLinesFromFile(const std::string& fileName) { return SplitLines(LoadTextFromFile(fileName)); }

void SaveLinesToFile(const std::string& fileName, const StringList& lines) {
  WriteWholeFile(fileName, JoinLinesCrLf(lines));
}

void SaveTextLinesToFile(const std::string& fileName, std::string_view text) {
  WriteWholeFile(fileName, CrLfLines(text));
}

}  // namespace quillet
