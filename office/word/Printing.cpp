// Word's page set-up and printing over a Writer document.
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/XTextDocument.hpp>

#include <algorithm>
#include <vector>

#include "automation/DispatchObject.h"
#include "automation/Failure.h"
#include "common/PdfExport.h"
#include "common/Printing.h"
#include "word/WordDoc.h"

namespace quillet::office::word {

namespace {

using uno::css::beans::XPropertySet;

// PageSetup.Orientation as the converter passes it: 2 landscape, 1 (and
// Word's own 0) portrait.
constexpr int32_t kPortrait = 1, kLandscape = 2;

using uno::css::container::XEnumerationAccess;

// The page styles the document's text uses: the first page's and those that
// paragraphs start new pages with.
std::vector<uno::Reference<XPropertySet>> UsedPageStyles(const OpenDocument& doc) {
  uno::Reference<uno::css::style::XStyleFamiliesSupplier> families(doc.Model(), uno::UNO_QUERY_THROW);
  uno::Reference<uno::css::container::XNameAccess> styles(
      families->getStyleFamilies()->getByName(uno::Ou("PageStyles")), uno::UNO_QUERY_THROW);
  uno::Reference<uno::css::text::XTextDocument> text(doc.Model(), uno::UNO_QUERY_THROW);
  std::vector<uno::OUString> names;
  auto use = [&](const uno::OUString& name) {
    if (!name.isEmpty() && styles->hasByName(name) && std::find(names.begin(), names.end(), name) == names.end())
      names.push_back(name);
  };
  uno::Reference<XPropertySet> start(text->getText()->createTextCursor(), uno::UNO_QUERY_THROW);
  uno::OUString first;
  start->getPropertyValue(uno::Ou("PageStyleName")) >>= first;
  use(first);
  uno::Reference<XEnumerationAccess> paragraphs(text->getText(), uno::UNO_QUERY_THROW);
  const auto e = paragraphs->createEnumeration();
  while (e->hasMoreElements()) {
    uno::Reference<XPropertySet> paragraph(e->nextElement(), uno::UNO_QUERY);
    uno::OUString name;
    if (paragraph.is() && paragraph->getPropertySetInfo()->hasPropertyByName(uno::Ou("PageDescName")))
      paragraph->getPropertyValue(uno::Ou("PageDescName")) >>= name;
    use(name);
  }
  std::vector<uno::Reference<XPropertySet>> used;
  for (const uno::OUString& name : names) used.emplace_back(styles->getByName(name), uno::UNO_QUERY_THROW);
  return used;
}

bool IsLandscape(const uno::Reference<XPropertySet>& style) {
  bool landscape = false;
  style->getPropertyValue(uno::Ou("IsLandscape")) >>= landscape;
  return landscape;
}

// Whether the first page is landscape.
bool FirstPageLandscape(const OpenDocument& doc) {
  const auto used = UsedPageStyles(doc);
  return !used.empty() && IsLandscape(used.front());
}

void TurnPages(const OpenDocument& doc, bool landscape) {
  for (const auto& style : UsedPageStyles(doc)) {
    if (IsLandscape(style) == landscape) continue;
    // The page turns: its sides change places.
    sal_Int32 width = 0, height = 0;
    style->getPropertyValue(uno::Ou("Width")) >>= width;
    style->getPropertyValue(uno::Ou("Height")) >>= height;
    style->setPropertyValue(uno::Ou("IsLandscape"), uno::Any(landscape));
    style->setPropertyValue(uno::Ou("Width"), uno::Any(height));
    style->setPropertyValue(uno::Ou("Height"), uno::Any(width));
  }
}

class PageSetup : public DispatchObject {
 public:
  PageSetup(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc)
      : DispatchObject(app->source()), app_(std::move(app)), doc_(std::move(doc)) {
    Property(
        "Orientation",
        [this](const CallArgs&, Result& r) { r.Int(FirstPageLandscape(*doc_->doc) ? kLandscape : kPortrait); },
        [this](const CallArgs& a) {
          const int32_t value = a.PutInt();
          if (value != 0 && value != kPortrait && value != kLandscape) throw Failure("Value out of range");
          TurnPages(*doc_->doc, value == kLandscape);
        });
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<WordDoc> doc_;
};

}  // namespace

IDispatch* NewPageSetup(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc) {
  return new PageSetup(std::move(app), std::move(doc));
}

void PrintOut(AppState& app, const WordDoc& doc, const CallArgs& args) {
  PrintJob job;
  job.printer = app.activePrinter.empty() ? kDefaultPrinter : app.activePrinter;
  job.landscape = FirstPageLandscape(*doc.doc);
  // WdPrintOutRange: 3 the pages From to To, 4 the pages Pages names; the
  // whole document for the others (there is no selection or current page).
  switch (args.Int(2, "Range").value_or(0)) {
    case 0:
    case 1:
    case 2:
      break;
    case 3:
      job.pages = PageRangeOf(args.Int(4, "From").value_or(1), args.Int(5, "To"));
      break;
    case 4:
      job.pages = args.Text(8, "Pages").value_or("");
      break;
    default:
      throw Failure("Value out of range");
  }
  if (args.Bool(10, "PrintToFile").value_or(false)) {
    job.file = args.Text(3, "OutputFileName").value_or("");
    if (job.file.empty()) throw Failure("A file name is needed.");
  }
  PrintDocument(app.office(), *doc.doc, job);
}

}  // namespace quillet::office::word
