#include "FormatNames.h"

#include <algorithm>
#include <stdexcept>

#include "platform/ascii.h"

namespace quillet::cli {

namespace {

constexpr FormatName kNames[] = {
    {"txt|text", ".txt", 2, -4158, 9999,
     "text: Word's plain text, Excel's tab-separated cells, PowerPoint's text of the slides (UTF-8)"},
    {"unicode", ".txt", 7, 42, std::nullopt, "UTF-16 text with a byte-order mark"},
    {"encoded", ".txt", -3, std::nullopt, std::nullopt, "text in the document's own code page"},
    {"pdf", ".pdf", 17, 57, 32, "PDF from the application's own export (the text stays searchable)"},
    {"html|htm", ".html", 8, 44, 12, "a web page"},
    {"doc", ".doc", 0, std::nullopt, std::nullopt, "Word 97-2003 document"},
    {"docx", ".docx", 16, std::nullopt, std::nullopt, "Word document"},
    {"rtf", ".rtf", 6, std::nullopt, std::nullopt, "Rich Text Format"},
    {"odt", ".odt", 23, std::nullopt, std::nullopt, "OpenDocument text"},
    {"csv", ".csv", std::nullopt, 6, std::nullopt, "comma-separated cells of the first sheet (UTF-8)"},
    {"xls", ".xls", std::nullopt, 56, std::nullopt, "Excel 97-2003 workbook"},
    {"xlsx", ".xlsx", std::nullopt, 51, std::nullopt, "Excel workbook"},
    {"ods", ".ods", std::nullopt, 60, std::nullopt, "OpenDocument spreadsheet"},
    {"ppt", ".ppt", std::nullopt, std::nullopt, 1, "PowerPoint 97-2003 presentation"},
    {"pptx", ".pptx", std::nullopt, std::nullopt, 24, "PowerPoint presentation"},
    {"odp", ".odp", std::nullopt, std::nullopt, 35, "OpenDocument presentation"},
    {"jpg|jpeg", ".jpg", std::nullopt, std::nullopt, 17, "one JPEG picture per slide, in a folder named after DEST"},
    {"gif", ".gif", std::nullopt, std::nullopt, 16, "one GIF picture per slide"},
    {"png", ".png", std::nullopt, std::nullopt, 18, "one PNG picture per slide"},
};

// The extensions of the documents each application opens.
struct SourceExtension {
  const char* extension;
  App app;
};
constexpr SourceExtension kSources[] = {
    {".doc", App::Word},        {".docx", App::Word},       {".docm", App::Word},       {".dot", App::Word},
    {".dotx", App::Word},       {".rtf", App::Word},        {".odt", App::Word},        {".fodt", App::Word},
    {".ott", App::Word},        {".txt", App::Word},        {".htm", App::Word},        {".html", App::Word},
    {".mht", App::Word},        {".mhtml", App::Word},      {".xml", App::Word},        {".wpd", App::Word},
    {".wps", App::Word},        {".xls", App::Excel},       {".xlsx", App::Excel},      {".xlsm", App::Excel},
    {".xlsb", App::Excel},      {".xlt", App::Excel},       {".xltx", App::Excel},      {".ods", App::Excel},
    {".fods", App::Excel},      {".ots", App::Excel},       {".csv", App::Excel},       {".ppt", App::PowerPoint},
    {".pptx", App::PowerPoint}, {".pptm", App::PowerPoint}, {".pps", App::PowerPoint},  {".ppsx", App::PowerPoint},
    {".pot", App::PowerPoint},  {".potx", App::PowerPoint}, {".odp", App::PowerPoint},  {".fodp", App::PowerPoint},
    {".otp", App::PowerPoint},
};

const SourceExtension* SourceOf(const std::string& path) {
  const std::string ext = ExtensionOf(path);
  for (const SourceExtension& s : kSources)
    if (ext == s.extension) return &s;
  return nullptr;
}

bool HasName(const FormatName& f, const std::string& name) {
  const std::string names = f.names;
  size_t start = 0;
  while (start <= names.size()) {
    const size_t bar = names.find('|', start);
    const size_t end = bar == std::string::npos ? names.size() : bar;
    if (names.compare(start, end - start, name) == 0) return true;
    start = end + 1;
  }
  return false;
}

const std::optional<int>& NumberFor(const FormatName& f, App app) {
  switch (app) {
    case App::Word: return f.word;
    case App::Excel: return f.excel;
    case App::PowerPoint: return f.powerpoint;
  }
  return f.word;
}

bool IsNumber(const std::string& s) {
  size_t i = s.size() > 1 && s[0] == '-' ? 1 : 0;
  if (i == s.size()) return false;
  for (; i < s.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

}  // namespace

const char* AppName(App app) {
  switch (app) {
    case App::Word: return "Word";
    case App::Excel: return "Excel";
    case App::PowerPoint: return "PowerPoint";
  }
  return "";
}

const char* AppKeyword(App app) {
  switch (app) {
    case App::Word: return "MS Word";
    case App::Excel: return "MS Excel";
    case App::PowerPoint: return "MS Powerpoint";
  }
  return "";
}

std::optional<App> ParseApp(const std::string& text) {
  const std::string t = ascii::ToLower(text);
  if (t == "word") return App::Word;
  if (t == "excel") return App::Excel;
  if (t == "powerpoint") return App::PowerPoint;
  return std::nullopt;
}

std::string ExtensionOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return ascii::ToLower(path.substr(dot));
}

App AppOfSource(const std::string& path) {
  const SourceExtension* source = SourceOf(path);
  return source ? source->app : App::Word;
}

bool IsDocument(const std::string& path) { return SourceOf(path) != nullptr; }

std::vector<std::string> DocumentExtensions() {
  std::vector<std::string> all;
  for (const SourceExtension& s : kSources) all.emplace_back(s.extension);
  return all;
}

std::span<const FormatName> FormatNames() { return kNames; }

Destination ResolveFormat(const std::string& format, App app) {
  if (IsNumber(format)) {
    Destination d{std::stoi(format), {}};
    for (const FormatName& f : kNames)
      if (NumberFor(f, app) == d.format) {
        d.extension = f.extension;
        break;
      }
    return d;
  }
  const std::string name = ascii::ToLower(format);
  for (const FormatName& f : kNames) {
    if (!HasName(f, name)) continue;
    const std::optional<int>& number = NumberFor(f, app);
    if (!number) throw std::invalid_argument(std::string(AppName(app)) + " has no format " + name);
    return {*number, f.extension};
  }
  throw std::invalid_argument("unknown format " + format + " (quillet formats lists the names)");
}

std::optional<Destination> FormatOfDestination(const std::string& dest, App app) {
  const std::string ext = ExtensionOf(dest);
  if (ext.empty()) return std::nullopt;
  for (const FormatName& f : kNames)
    if (ext == f.extension || HasName(f, ext.substr(1)))
      if (const std::optional<int>& number = NumberFor(f, app)) return Destination{*number, f.extension};
  return std::nullopt;
}

}  // namespace quillet::cli
