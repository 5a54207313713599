// The format tables, built from Word the first time they are needed, and the
// choice of the application for a source file by its extension.
#include "applications/FormatDiscovery.h"

#include "platform/path.h"
#include "utilities/Strings.h"
#include "utilities/SysUtils.h"

namespace quillet {

namespace {

const std::string kWord(ApplicationInfo(TApplication::Word).Name);

}  // namespace

Status LoadWordOpenFormats(TOfficeApplications& applications, TFormatList& table) {
  if (Status started = applications.StartWord(); !started) return started;
  const TApplicationSlot& word = applications.Slot(TApplication::Word);

  const int32_t major = ParseVersionNumber(word.Object.Get("Version").AsString());
  AddFormat(table, "Word Documents(*.doc)", "0", "*.doc", kWord);
  AddFormat(table, "Web Pages(*.htm;*.html)", "0", "*.htm;*.html", kWord);
  if (major > 9) AddFormat(table, "WebArchives(*.mht;*.mhtml)", "0", "*.mht;*.mhtml", kWord);
  AddFormat(table, "Rtf Files(*.rtf)", "0", "*.rtf", kWord);
  AddFormat(table, "Document Template(*.dot)", "0", "*.dot", kWord);
  AddFormat(table, "Text only(*.txt)", "0", "*.txt", kWord);
  AddFormat(table, "MS-DOS Text with Layout(*.asc)", "0", "*.asc", kWord);
  AddFormat(table, "Text with Layout(*.ans)", "0", "*.ans", kWord);

  // Items 1 to Count - 1: the last installed converter is not examined.
  const int32_t n = word.Object.CallOrGet("FileConverters").Get("Count").AsInteger() - 1;
  for (int32_t i = 1; i <= n; ++i) {
    // Every member is read through a fresh FileConverters.Item(i).
    auto item = [&] { return word.Object.CallOrGet("FileConverters").CallOrGet("Item", {i}); };
    if (!item().Get("CanOpen").AsBoolean()) continue;
    const std::string pattern = "*." + item().Get("Extensions").AsString();
    const std::string code = IntToStr(item().Get("OpenFormat").AsInteger());
    std::string description = item().Get("FormatName").AsString();
    description += "(*." + item().Get("Extensions").AsString() + ")";
    AddFormat(table, description, code, pattern, kWord);
  }
  return Status::Ok();
}

Status LoadWordSaveFormats(TOfficeApplications& applications, const TFormatTables& tables) {
  if (!tables.DestFormats.empty()) return Status::Ok();
  if (Status started = applications.StartWord(); !started) return started;
  // The two tables are built together; a build that Word breaks off leaves
  // neither half-filled, so the next request asks Word again instead of
  // answering from a partial table.
  ClearFormats(tables.SourceFormats);
  try {
    if (Status opened = LoadWordOpenFormats(applications, tables.SourceFormats); !opened) return opened;
  } catch (...) {
    ClearFormats(tables.SourceFormats);
    throw;
  }
  TFormatList& table = tables.DestFormats;
  AddFormat(table, "Text only(*.txt)", "2", "*.txt", "");
  AddFormat(table, "Text only with Line Breaks(*.txt)", "3", "*.txt", "");
  AddFormat(table, "Ms-Dos Text(*.txt)", "4", "*.txt", "");
  AddFormat(table, "Ms-Dos Text with line breaks(*.txt)", "5", "*.txt", "");
  AddFormat(table, "Unicode Text(*.txt)", "7", "*.txt", "");
  AddFormat(table, "Save Text With Source Character Set(*.txt)", "-3", "*.txt", "");
  return Status::Ok();
}

Status ChooseSourceApplication(TOfficeApplications& applications, const TFormatTables& tables, const std::string& src,
                               std::string& appName) {
  appName.clear();
  if (tables.SourceFormats.empty()) {
    if (Status built = LoadWordSaveFormats(applications, tables); !built) return built;
  }
  const TFormatList& table = tables.SourceFormats;
  if (table.empty()) return Status::Ok();
  const std::string ext = LowerCase(path::ExtractFileExt(src));
  for (const TFormatNode& row : table) {
    if (!ext.empty() && Contains(LowerCase(row.Pattern), ext)) {
      appName = row.AppName;
      return Status::Ok();
    }
  }
  appName = table.front().AppName;
  return Status::Ok();
}

namespace {

Status ListText(TOfficeApplications& applications, const TFormatTables& tables, const TFormatList& table,
                std::string& text) {
  text.clear();
  if (table.empty()) {
    if (Status built = LoadWordSaveFormats(applications, tables); !built) return built;
  }
  FormatListText(table, text);
  return Status::Ok();
}

}  // namespace

Status GetSourceFormatListText(TOfficeApplications& applications, const TFormatTables& tables, std::string& text) {
  return ListText(applications, tables, tables.SourceFormats, text);
}

Status GetDestFormatListText(TOfficeApplications& applications, const TFormatTables& tables, std::string& text) {
  return ListText(applications, tables, tables.DestFormats, text);
}

}  // namespace quillet
