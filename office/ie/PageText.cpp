// Reading the text of a page the way a browser shows it, from Writer's model
// of it: the body's paragraphs and tables in order.
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/text/XTextTable.hpp>

#include <vector>

#include "ie/InternetExplorer.h"

namespace quillet::office::ie {

namespace {

namespace css = uno::css;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

// A paragraph's own line breaks (Writer gives them as LF) become CR LF.
std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// Inside a table cell every break is a blank, so that a row stays one line.
std::string OnOneLine(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c == '\n' || c == '\r') c = ' ';
  return out;
}

// The label Writer puts before a list item ("•", "1."), or empty.
std::string ListLabel(const Reference<css::text::XTextRange>& paragraph) {
  Reference<css::beans::XPropertySet> props(paragraph, UNO_QUERY);
  if (!props.is() || !props->getPropertySetInfo()->hasPropertyByName("ListLabelString")) return {};
  uno::OUString label;
  props->getPropertyValue("ListLabelString") >>= label;
  return uno::Utf8(label);
}

// The row of a cell name: the digits after the column letters ("B12" is row
// 12; a split cell "A1.2.1" still belongs to row 1).
int RowOf(const std::string& cellName) {
  size_t i = 0;
  while (i < cellName.size() && !(cellName[i] >= '0' && cellName[i] <= '9')) ++i;
  int row = 0;
  while (i < cellName.size() && cellName[i] >= '0' && cellName[i] <= '9') row = row * 10 + (cellName[i++] - '0');
  return row;
}

std::string TableText(const Reference<css::text::XTextTable>& table) {
  std::vector<std::string> rows;
  int currentRow = -1;
  for (const uno::OUString& name : table->getCellNames()) {
    const std::string cellName = uno::Utf8(name);
    Reference<css::text::XText> cell(table->getCellByName(name), UNO_QUERY);
    const std::string text = cell.is() ? OnOneLine(uno::Utf8(cell->getString())) : std::string();
    const int row = RowOf(cellName);
    if (row != currentRow || rows.empty()) {
      rows.push_back(text);
      currentRow = row;
    } else {
      rows.back() += "\t" + text;
    }
  }
  std::string out;
  for (const std::string& r : rows) out += (out.empty() ? "" : "\r\n") + r;
  return out;
}

}  // namespace

std::string PageText(const Reference<css::lang::XComponent>& document) {
  Reference<css::text::XTextDocument> text(document, UNO_QUERY_THROW);
  Reference<css::container::XEnumerationAccess> body(text->getText(), UNO_QUERY_THROW);
  const Reference<css::container::XEnumeration> blocks = body->createEnumeration();
  std::string out;
  auto add = [&out](const std::string& block) {
    if (block.empty()) return;
    out += (out.empty() ? "" : "\r\n") + block;
  };
  while (blocks->hasMoreElements()) {
    const uno::Any element = blocks->nextElement();
    Reference<css::text::XTextTable> table(element, UNO_QUERY);
    if (table.is()) {
      add(TableText(table));
      continue;
    }
    Reference<css::text::XTextRange> paragraph(element, UNO_QUERY);
    if (!paragraph.is()) continue;
    const std::string words = WithCrLf(uno::Utf8(paragraph->getString()));
    if (words.empty()) continue;
    const std::string label = ListLabel(paragraph);
    add(label.empty() ? words : label + " " + words);
  }
  return out;
}

}  // namespace quillet::office::ie
