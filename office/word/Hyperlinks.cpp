// Word's Hyperlinks over Writer, where a link is an attribute of the text
// (HyperLinkURL) rather than an object: the links are the runs of text that
// carry one target, found by walking the paragraphs (and the cells of
// tables) portion by portion.
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextTable.hpp>

#include <rtl/uri.hxx>

#include "automation/DispatchObject.h"
#include "automation/Failure.h"
#include "word/WordDoc.h"

namespace quillet::office::word {

namespace {

namespace css = uno::css;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;
using Range = Reference<css::text::XTextRange>;

std::string UrlOf(const Reference<css::beans::XPropertySet>& p) {
  uno::OUString url;
  if (p.is()) p->getPropertyValue("HyperLinkURL") >>= url;
  return uno::Utf8(url);
}

void CollectText(const Reference<css::text::XText>& text, std::vector<Range>& links);

void CollectParagraph(const Reference<css::text::XText>& text,
                      const Reference<css::container::XEnumerationAccess>& para, std::vector<Range>& links) {
  Reference<css::text::XTextCursor> open;  // the link being gathered
  std::string openUrl;
  const auto portions = para->createEnumeration();
  while (portions->hasMoreElements()) {
    Range portion(portions->nextElement(), UNO_QUERY);
    if (!portion.is()) continue;
    const std::string url = UrlOf(Reference<css::beans::XPropertySet>(portion, UNO_QUERY));
    if (!url.empty() && open.is() && url == openUrl) {
      open->gotoRange(portion->getEnd(), true);
      continue;
    }
    if (open.is()) links.push_back(Range(open, UNO_QUERY));
    open.clear();
    if (!url.empty()) {
      open = text->createTextCursorByRange(portion->getStart());
      open->gotoRange(portion->getEnd(), true);
      openUrl = url;
    }
  }
  if (open.is()) links.push_back(Range(open, UNO_QUERY));
}

void CollectTable(const Reference<css::text::XTextTable>& table, std::vector<Range>& links) {
  for (const auto& name : table->getCellNames()) {
    Reference<css::text::XText> cell(table->getCellByName(name), UNO_QUERY);
    if (cell.is()) CollectText(cell, links);
  }
}

void CollectText(const Reference<css::text::XText>& text, std::vector<Range>& links) {
  Reference<css::container::XEnumerationAccess> access(text, UNO_QUERY_THROW);
  const auto paragraphs = access->createEnumeration();
  while (paragraphs->hasMoreElements()) {
    const uno::Any element = paragraphs->nextElement();
    Reference<css::text::XTextTable> table(element, UNO_QUERY);
    if (table.is()) {
      CollectTable(table, links);
      continue;
    }
    Reference<css::container::XEnumerationAccess> para(element, UNO_QUERY);
    if (para.is()) CollectParagraph(text, para, links);
  }
}

const std::vector<Range>& Links(WordDoc& doc) {
  if (!doc.links) {
    Reference<css::text::XTextDocument> text(doc.doc->Model(), UNO_QUERY_THROW);
    std::vector<Range> links;
    CollectText(text->getText(), links);
    doc.links = std::move(links);
  }
  return *doc.links;
}

// LibreOffice resolves a link to a file beside the document into an absolute
// file URL when it loads it; Word gives such a link as the document holds it,
// relative to the document's folder ("Report.doc"). Addresses are read that
// way and written back resolved.
std::string FolderUrlOf(const OpenDocument& doc) {
  const size_t slash = doc.path.find_last_of('/');
  std::string url = uno::Utf8(uno::FileUrl(slash == std::string::npos ? "." : doc.path.substr(0, slash ? slash : 1)));
  if (url.back() != '/') url += '/';
  return url;
}

std::string AsWordAddress(const OpenDocument& doc, const std::string& url) {
  const std::string folder = FolderUrlOf(doc);
  if (url.size() <= folder.size() || url.compare(0, folder.size(), folder) != 0) return url;
  return uno::Utf8(
      rtl::Uri::decode(uno::Ou(url.substr(folder.size())), rtl_UriDecodeWithCharset, RTL_TEXTENCODING_UTF8));
}

std::string AsUrl(const OpenDocument& doc, const std::string& address) {
  const size_t colon = address.find(':');
  const bool hasScheme = colon != std::string::npos && colon > 1 && address.find('/') > colon;
  if (hasScheme || address.empty() || address[0] == '/' || address[0] == '#') return address;
  const uno::OUString relative =
      rtl::Uri::encode(uno::Ou(address), rtl_UriCharClassUric, rtl_UriEncodeKeepEscapes, RTL_TEXTENCODING_UTF8);
  try {
    return uno::Utf8(rtl::Uri::convertRelToAbs(uno::Ou(FolderUrlOf(doc)), relative));
  } catch (const rtl::MalformedUriException&) {
    return address;
  }
}

// Word's address is the target without its "#..." part, the sub-address.
std::pair<std::string, std::string> Split(const std::string& url) {
  const size_t hash = url.find('#');
  if (hash == std::string::npos) return {url, {}};
  return {url.substr(0, hash), url.substr(hash + 1)};
}

class Hyperlink : public DispatchObject {
 public:
  Hyperlink(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc, Range range)
      : DispatchObject(app->source()), app_(std::move(app)), doc_(std::move(doc)), range_(std::move(range)) {
    Property(
        "Address", [this](const CallArgs&, Result& r) { r.Text(AsWordAddress(*doc_->doc, Split(Url()).first)); },
        [this](const CallArgs& a) {
          const std::string sub = Split(Url()).second;
          SetUrl(AsUrl(*doc_->doc, a.PutText()) + (sub.empty() ? "" : "#" + sub));
        });
    Property(
        "SubAddress", [this](const CallArgs&, Result& r) { r.Text(Split(Url()).second); },
        [this](const CallArgs& a) {
          const std::string sub = a.PutText();
          SetUrl(Split(Url()).first + (sub.empty() ? "" : "#" + sub));
        });
    Property(
        "TextToDisplay", [this](const CallArgs&, Result& r) { r.Text(uno::Utf8(Live()->getString())); },
        [this](const CallArgs& a) {
          // New text loses the run's attributes: the target is set again on it.
          const std::string url = Url();
          Live()->setString(uno::Ou(a.PutText()));
          SetUrl(url);
        });
  }

 private:
  const Range& Live() const {
    doc_->doc->Model();
    return range_;
  }
  std::string Url() const { return UrlOf(Reference<css::beans::XPropertySet>(Live(), UNO_QUERY)); }
  void SetUrl(const std::string& url) const {
    Reference<css::beans::XPropertySet>(Live(), UNO_QUERY_THROW)
        ->setPropertyValue("HyperLinkURL", uno::Any(uno::Ou(url)));
  }

  std::shared_ptr<AppState> app_;
  std::shared_ptr<WordDoc> doc_;
  Range range_;
};

class Hyperlinks : public DispatchObject {
 public:
  Hyperlinks(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc)
      : DispatchObject(app->source()), app_(std::move(app)), doc_(std::move(doc)) {
    Property("Count", [this](const CallArgs&, Result& r) { r.Int(static_cast<int32_t>(Links(*doc_).size())); });
    Item("Item", {"Index"}, [this](const CallArgs& a, Result& r) {
      const auto& links = Links(*doc_);
      const int32_t i = a.Int(0, "Index").value_or(0);
      if (i < 1 || static_cast<size_t>(i) > links.size())
        throw Failure("The requested member of the collection does not exist.");
      r.Object(new Hyperlink(app_, doc_, links[static_cast<size_t>(i - 1)]));
    });
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<WordDoc> doc_;
};

}  // namespace

IDispatch* NewHyperlinks(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc) {
  return new Hyperlinks(std::move(app), std::move(doc));
}

}  // namespace quillet::office::word
