#include "engine/formatlib/KnownSaveFormats.h"

#include <span>

namespace quillet {

namespace {

struct KnownFormat {
  const char* code;
  const char* ext;
};

constexpr KnownFormat kOwnCodes[] = {
    {"-1", ".pdf"}, {"-2", ".doc"}, {"-3", ".txt"}, {"-4", ".txt"}, {"-5", ".txt"}, {"-6", ".txt"}, {"9999", ".txt"},
};

constexpr KnownFormat kWord[] = {
    {"0", ".doc"},   {"1", ".dot"},   {"2", ".txt"},  {"3", ".txt"},  {"4", ".txt"},  {"5", ".txt"},
    {"6", ".rtf"},   {"7", ".txt"},   {"8", ".htm"},  {"10", ".htm"}, {"11", ".xml"}, {"12", ".docx"},
    {"14", ".dotx"}, {"16", ".docx"}, {"17", ".pdf"}, {"23", ".odt"},
};

constexpr KnownFormat kExcel[] = {
    {"6", ".csv"},     {"20", ".txt"},    {"21", ".txt"}, {"23", ".csv"},  {"24", ".csv"},
    {"42", ".txt"},    {"-4158", ".txt"}, {"44", ".htm"}, {"51", ".xlsx"}, {"56", ".xls"},
    {"-4143", ".xls"}, {"57", ".pdf"},    {"60", ".ods"}, {"62", ".csv"},
};

constexpr KnownFormat kPowerPoint[] = {
    {"1", ".ppt"},  {"11", ".pptx"}, {"12", ".htm"},  {"16", ".gif"}, {"17", ".jpg"},
    {"18", ".png"}, {"19", ".bmp"},  {"24", ".pptx"}, {"32", ".pdf"}, {"35", ".odp"},
};

const char* Find(std::span<const KnownFormat> table, const std::string& code) {
  for (const KnownFormat& row : table)
    if (code == row.code) return row.ext;
  return nullptr;
}

}  // namespace

std::string KnownSaveFormatExt(std::optional<TApplication> app, const std::string& code) {
  if (const char* ext = Find(kOwnCodes, code)) return ext;
  std::span<const KnownFormat> table = kWord;
  if (app == TApplication::Excel) table = kExcel;
  if (app == TApplication::PowerPoint) table = kPowerPoint;
  const char* ext = Find(table, code);
  return ext ? ext : std::string();
}

}  // namespace quillet
