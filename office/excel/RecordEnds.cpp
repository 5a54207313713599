#include "excel/RecordEnds.h"

#include <fstream>
#include <sstream>

#include "automation/Failure.h"

namespace quillet::office::excel {

std::string WithCrLfRecords(const std::string& text, bool wide) {
  const size_t unit = wide ? 2 : 1;
  auto is = [&](size_t at, char c) { return text[at] == c && (!wide || text[at + 1] == 0); };
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  bool quoted = false;
  for (size_t at = 0; at + unit <= text.size(); at += unit) {
    if (is(at, '"')) quoted = !quoted;
    const bool afterCr = at >= unit && is(at - unit, '\r');
    if (!quoted && is(at, '\n') && !afterCr) out.append(wide ? std::string("\r\0", 2) : std::string("\r"));
    out.append(text, at, unit);
  }
  if (text.size() % unit) out.push_back(text.back());
  return out;
}

void EndRecordsWithCrLf(const std::string& path, bool wide) {
  std::string text;
  {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure("The file could not be saved: " + path);
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << WithCrLfRecords(text, wide);
  if (!out.flush()) throw Failure("The file could not be saved: " + path);
}

}  // namespace quillet::office::excel
