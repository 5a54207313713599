#include "platform/path.h"

namespace quillet::path {

bool IsDelimiter(char c) { return kDelimiters.find(c) != std::string_view::npos; }

std::string::size_type LastDelimiter(std::string_view p) {
  const auto i = p.find_last_of(kDelimiters);
  return i == std::string_view::npos ? std::string::npos : i;
}

std::string ExtractFilePath(std::string_view p) {
  const auto i = LastDelimiter(p);
  return i == std::string::npos ? std::string() : std::string(p.substr(0, i + 1));
}

std::string ExtractFileDir(std::string_view p) {
  auto i = LastDelimiter(p);
  if (i == std::string::npos) return {};
  // Keep the delimiter of a root ("C:\", "\\", "/"), drop it otherwise.
  if (i > 0 && p[i] == kDelimiter && !IsDelimiter(p[i - 1])) return std::string(p.substr(0, i));
  return std::string(p.substr(0, i + 1));
}

std::string ExtractFileName(std::string_view p) {
  const auto i = LastDelimiter(p);
  return std::string(i == std::string::npos ? p : p.substr(i + 1));
}

namespace {
// Position of the dot that starts the extension, or npos.
std::string::size_type ExtensionDot(std::string_view p) {
  const auto i = p.find_last_of(std::string(kDelimiters) + '.');
  if (i == std::string_view::npos || p[i] != '.') return std::string::npos;
  return i;
}
}  // namespace

std::string ExtractFileExt(std::string_view p) {
  const auto i = ExtensionDot(p);
  return i == std::string::npos ? std::string() : std::string(p.substr(i));
}

std::string ChangeFileExt(std::string_view p, std::string_view ext) {
  const auto i = ExtensionDot(p);
  std::string result(i == std::string::npos ? p : p.substr(0, i));
  result += ext;
  return result;
}

bool EndsWithDelimiter(std::string_view p) { return !p.empty() && p.back() == kDelimiter; }

std::string IncludeTrailingDelimiter(std::string_view p) {
  std::string result(p);
  if (!EndsWithDelimiter(result)) result += kDelimiter;
  return result;
}

bool IsAbsolute(std::string_view p) {
#ifdef _WIN32
  return p.find(':') != std::string_view::npos || p.find("\\\\") != std::string_view::npos;
#else
  return !p.empty() && p.front() == '/';
#endif
}

std::string JoinToCurrent(std::string_view cwd, std::string_view p) {
  std::string result(cwd);
  if (!EndsWithDelimiter(result)) result += kDelimiter;
  result += p;
  return result;
}

namespace {
bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
}  // namespace

std::string Abbreviated(std::string_view p, size_t maxBytes) {
  if (p.size() <= maxBytes) return std::string(p);
  constexpr std::string_view kEllipsis = "...";
  if (maxBytes < kEllipsis.size()) return std::string(kEllipsis.substr(0, maxBytes));
  const size_t keep = maxBytes - kEllipsis.size();
  // Both cuts land on the start of a character: the head ends before one,
  // the tail begins at one; moving them only shortens the result.
  size_t head = keep / 2;
  while (head > 0 && IsContinuation(p[head])) --head;
  size_t tail = p.size() - (keep - keep / 2);
  while (tail < p.size() && IsContinuation(p[tail])) ++tail;
  std::string out(p.substr(0, head));
  out += kEllipsis;
  out += p.substr(tail);
  return out;
}

}  // namespace quillet::path
