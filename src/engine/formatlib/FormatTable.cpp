#include "engine/formatlib/FormatTable.h"

#include "platform/msgbox.h"
#include "platform/path.h"
#include "utilities/Messages.h"
#include "utilities/Strings.h"

namespace quillet {

void AddFormat(TFormatList& table, const std::string& description, const std::string& code, const std::string& pattern,
               const std::string& appName) {
  table.push_back({appName.empty() ? code + "=" + description : description, code, pattern, appName});
}

bool HasFormat(const TFormatList& table, const std::string& code) {
  for (const TFormatNode& row : table)
    if (row.Code == code) return true;
  return false;
}

void FindFormatExt(const TFormatList& table, const std::string& code, std::string& ext) {
  ext.clear();
  for (const auto& row : table) {
    if (row.Code == code) {
      ext = path::ExtractFileExt(row.Pattern);
      return;
    }
  }
  os::ShowMessageBox(texts::UnknownFormat(code), "Error");
}

void FormatCodeAt(const TFormatList& table, size_t index, std::string& code) { code = table.at(index).Code; }

void FormatExtAt(const TFormatList& table, int index, std::string& ext) {
  ext.clear();
  if (index < 0 || static_cast<size_t>(index) >= table.size()) {
    os::ShowMessageBox("No. " + IntToStr(index) + " File format do not exist!", "Error");
    return;
  }
  ext = path::ExtractFileExt(table[static_cast<size_t>(index)].Pattern);
}

void FormatListText(const TFormatList& table, std::string& text) {
  text.clear();
  for (const auto& row : table) {
    if (!text.empty()) text += "\r\n";
    text += row.Key + ":" + row.Code + ":" + row.Pattern + ":" + row.AppName;
  }
}

void ClearFormats(TFormatList& table) { table.clear(); }

void FreeFormats(std::unique_ptr<TFormatList>& table) {
  if (table) ClearFormats(*table);
  table.reset();
}

}  // namespace quillet
