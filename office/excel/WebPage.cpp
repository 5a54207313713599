// Excel's web page (format 44) from Calc's HTML export: the export of the
// whole workbook is the main page, and each sheet's table, cut out of it,
// becomes that sheet's page in the supporting folder.
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "automation/Failure.h"
#include "common/WebPageFolder.h"
#include "excel/Excel.h"
#include "uno/Documents.h"

namespace quillet::office::excel {

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

std::vector<std::string> ReadLines(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The table lines of every sheet, in sheet order: Calc writes each sheet's
// table after an anchor <A NAME="tableN">.
std::vector<std::vector<std::string>> SheetTables(const std::vector<std::string>& lines, size_t sheets) {
  std::vector<std::vector<std::string>> tables(sheets);
  std::vector<size_t> starts(sheets + 1, lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string low = Lower(lines[i]);
    for (size_t n = 0; n < sheets; ++n)
      if (starts[n] == lines.size() && low.find("<a name=\"table" + std::to_string(n) + "\">") != std::string::npos)
        starts[n] = i;
  }
  for (size_t n = 0; n < sheets; ++n) {
    if (starts[n] == lines.size()) continue;
    size_t end = lines.size();
    for (size_t m = 0; m < sheets; ++m)
      if (starts[m] > starts[n] && starts[m] < end) end = starts[m];
    size_t first = end, last = end;
    for (size_t i = starts[n]; i < end; ++i) {
      const std::string low = Lower(lines[i]);
      if (first == end && low.find("<table") != std::string::npos) first = i;
      if (first != end && low.find("</table") != std::string::npos) last = i;
    }
    if (first != end && last != end) tables[n].assign(lines.begin() + long(first), lines.begin() + long(last) + 1);
  }
  return tables;
}

}  // namespace

void SaveWebPage(const OpenDocument& book, const std::string& path) {
  uno::Reference<uno::css::sheet::XSpreadsheetDocument> sheets(book.Model(), uno::UNO_QUERY_THROW);
  const auto names = sheets->getSheets()->getElementNames();
  uno::StoreDocument(book.Model(), path, "HTML (StarCalc)", "");

  const std::string folder = MakeSupportFolder(path);
  const auto tables = SheetTables(ReadLines(path), static_cast<size_t>(names.getLength()));
  std::vector<std::string> pages;
  for (sal_Int32 n = 0; n < names.getLength(); ++n) {
    char page[32];
    std::snprintf(page, sizeof page, "sheet%03d.htm", static_cast<int>(n + 1));
    std::vector<std::string> body = tables[static_cast<size_t>(n)];
    if (body.empty()) body = {"<table>", "</table>"};
    WritePage((std::filesystem::path(folder) / page).string(), uno::Utf8(names[n]), body);
    pages.push_back(page);
  }
  WriteFileList(folder, path, pages);
}

}  // namespace quillet::office::excel
