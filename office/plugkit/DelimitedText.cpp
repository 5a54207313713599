#include "DelimitedText.h"

namespace quillet::plugkit {

namespace {

constexpr const char kDelimitKey[] = "delimit=";

std::string Quoted(const std::string& cell, char delimiter) {
  if (cell.find_first_of(std::string{delimiter, '"', '\r', '\n'}) == std::string::npos) return cell;
  std::string out = "\"";
  for (char c : cell) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

}  // namespace

std::optional<char> DelimiterOf(const std::string& option) {
  const size_t at = option.find(kDelimitKey);
  const size_t value = at + sizeof kDelimitKey - 1;
  if (at == std::string::npos || value >= option.size()) return std::nullopt;
  return option[value];
}

std::string DelimitedText(const std::vector<Cells>& lines, std::optional<char> delimiter) {
  std::string out;
  for (const Cells& cells : lines) {
    for (size_t i = 0; i < cells.size(); ++i) {
      if (i > 0) out += delimiter ? *delimiter : ' ';
      out += delimiter ? Quoted(cells[i], *delimiter) : cells[i];
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace quillet::plugkit
