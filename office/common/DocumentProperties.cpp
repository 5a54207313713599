#include "common/DocumentProperties.h"

#include <com/sun/star/document/XDocumentProperties.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>

#include "automation/Failure.h"

namespace quillet::office {

namespace {

using uno::css::document::XDocumentProperties;

enum class Which { Title, Subject, Author, Keywords, Comments, LastAuthor };

// The names Word gives them, with their numbers (wdPropertyTitle = 1 ...).
struct Named {
  const char* name;
  int number;
  Which which;
};
constexpr Named kProperties[] = {
    {"title", 1, Which::Title},       {"subject", 2, Which::Subject},   {"author", 3, Which::Author},
    {"keywords", 4, Which::Keywords}, {"comments", 5, Which::Comments}, {"last author", 7, Which::LastAuthor},
};

uno::Reference<XDocumentProperties> PropertiesOf(const OpenDocument& document) {
  if (!document.properties.is()) {
    uno::Reference<uno::css::document::XDocumentPropertiesSupplier> supplier(document.Model(), uno::UNO_QUERY_THROW);
    document.properties = supplier->getDocumentProperties();
  }
  document.Model();  // a closed document answers no more
  return document.properties;
}

std::string Read(const OpenDocument& document, Which which) {
  const auto p = PropertiesOf(document);
  switch (which) {
    case Which::Title:
      return uno::Utf8(p->getTitle());
    case Which::Subject:
      return uno::Utf8(p->getSubject());
    case Which::Author:
      return uno::Utf8(p->getAuthor());
    case Which::Keywords: {
      std::string all;
      for (const auto& k : p->getKeywords()) all += (all.empty() ? "" : ", ") + uno::Utf8(k);
      return all;
    }
    case Which::Comments:
      return uno::Utf8(p->getDescription());
    case Which::LastAuthor:
      return uno::Utf8(p->getModifiedBy());
  }
  return {};
}

void Write(const OpenDocument& document, Which which, const std::string& value) {
  const auto p = PropertiesOf(document);
  switch (which) {
    case Which::Title:
      p->setTitle(uno::Ou(value));
      break;
    case Which::Subject:
      p->setSubject(uno::Ou(value));
      break;
    case Which::Author:
      p->setAuthor(uno::Ou(value));
      break;
    case Which::Keywords: {
      const uno::OUString k = uno::Ou(value);
      p->setKeywords(uno::Sequence<uno::OUString>(&k, 1));
      break;
    }
    case Which::Comments:
      p->setDescription(uno::Ou(value));
      break;
    case Which::LastAuthor:
      p->setModifiedBy(uno::Ou(value));
      break;
  }
}

Which Resolve(const VARIANT& index) {
  const bool byName = (index.vt & ~VT_BYREF) == VT_BSTR || (index.vt == (VT_BYREF | VT_VARIANT) && index.pvarVal &&
                                                            (index.pvarVal->vt & ~VT_BYREF) == VT_BSTR);
  if (byName) {
    std::string name = VariantText(index);
    for (char& c : name)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    for (const Named& n : kProperties)
      if (name == n.name) return n.which;
  } else {
    const int number = VariantInt(index);
    for (const Named& n : kProperties)
      if (number == n.number) return n.which;
  }
  throw Failure("Invalid procedure call or argument");
}

class DocumentProperty : public DispatchObject {
 public:
  DocumentProperty(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> doc, Which which)
      : DispatchObject(app->source()), app_(std::move(app)), doc_(std::move(doc)) {
    Property(
        "Value", [this, which](const CallArgs&, Result& r) { r.Text(Read(*doc_, which)); },
        [this, which](const CallArgs& a) { Write(*doc_, which, a.PutText()); });
    Property("Name", [which](const CallArgs&, Result& r) {
      for (const Named& n : kProperties)
        if (n.which == which) r.Text(n.name);
    });
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<OpenDocument> doc_;
};

class DocumentPropertiesObject : public DispatchObject {
 public:
  DocumentPropertiesObject(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> doc)
      : DispatchObject(app->source()), app_(std::move(app)), doc_(std::move(doc)) {
    Item("Item", {"Index"}, [this](const CallArgs& a, Result& r) {
      const VARIANT* index = a.Find(0, "Index");
      if (!index) throw CodeFailure(DISP_E_PARAMNOTOPTIONAL);
      r.Object(NewDocumentProperty(app_, doc_, *index));
    });
    Property("Count", [](const CallArgs&, Result& r) { r.Int(static_cast<int32_t>(std::size(kProperties))); });
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<OpenDocument> doc_;
};

}  // namespace

IDispatch* NewDocumentProperties(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> document) {
  return new DocumentPropertiesObject(std::move(app), std::move(document));
}

IDispatch* NewDocumentProperty(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> document,
                               const VARIANT& index) {
  const Which which = Resolve(index);
  return new DocumentProperty(std::move(app), std::move(document), which);
}

std::string DocumentTitle(const OpenDocument& document) { return Read(document, Which::Title); }

void SetDocumentTitle(const OpenDocument& document, const std::string& title) { Write(document, Which::Title, title); }

}  // namespace quillet::office
