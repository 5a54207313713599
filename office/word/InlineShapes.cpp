// Word's InlineShapes over the pictures of a Writer document. A picture that
// LibreOffice keeps as a link to its file is a linked picture (Type 4, else
// 3); LinkFormat embeds it (SavePictureWithDocument, BreakLink) by loading
// the file's picture into the document in place of the link.
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>

#include <algorithm>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>

#include "automation/DispatchObject.h"
#include "automation/Failure.h"
#include "word/WordDoc.h"

namespace quillet::office::word {

namespace {

namespace css = uno::css;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;
using Shape = Reference<css::beans::XPropertySet>;

// WdInlineShapeType.
constexpr int kPicture = 3;
constexpr int kLinkedPicture = 4;

std::vector<Shape> Pictures(const WordDoc& doc) {
  Reference<css::text::XTextGraphicObjectsSupplier> supplier(doc.doc->Model(), UNO_QUERY_THROW);
  const auto objects = supplier->getGraphicObjects();
  std::vector<Shape> list;
  for (const auto& name : objects->getElementNames()) list.emplace_back(objects->getByName(name), UNO_QUERY);
  return list;
}

Reference<css::beans::XPropertySet> GraphicOf(const Shape& shape) {
  return Reference<css::beans::XPropertySet>(shape->getPropertyValue("Graphic"), UNO_QUERY);
}

bool Linked(const Shape& shape) {
  const auto graphic = GraphicOf(shape);
  bool linked = false;
  if (graphic.is()) graphic->getPropertyValue("Linked") >>= linked;
  return linked;
}

std::string Origin(const Shape& shape) {
  const auto graphic = GraphicOf(shape);
  uno::OUString url;
  if (graphic.is()) graphic->getPropertyValue("OriginURL") >>= url;
  return uno::Utf8(url);
}

std::string NameOf(const Shape& shape) {
  Reference<css::container::XNamed> named(shape, UNO_QUERY);
  return named.is() ? uno::Utf8(named->getName()) : std::string();
}

bool Kept(const WordDoc& doc, const Shape& shape) {
  return std::find(doc.keptLinks.begin(), doc.keptLinks.end(), NameOf(shape)) != doc.keptLinks.end();
}

// A linked picture, or one whose link stays although its picture was copied in.
bool LinkedPicture(const WordDoc& doc, const Shape& shape) { return Linked(shape) || Kept(doc, shape); }

// Puts the picture of the linked file into the document itself.
void Embed(uno::Office& office, const Shape& shape) {
  if (!Linked(shape)) return;
  const std::string url = Origin(shape);
  if (url.empty()) throw Failure("The linked file is not available.");
  const auto provider = css::graphic::GraphicProvider::create(office.context());
  const Reference<css::graphic::XGraphic> picture =
      provider->queryGraphic(uno::MakeProps({{"URL", uno::Any(uno::Ou(url))}}));
  if (!picture.is()) throw Failure("The linked file is not available.");
  shape->setPropertyValue("Graphic", uno::Any(picture));
}

class LinkFormat : public DispatchObject {
 public:
  LinkFormat(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc, Shape shape)
      : DispatchObject(app->source()), app_(std::move(app)), doc_(std::move(doc)), shape_(std::move(shape)) {
    Property(
        "SavePictureWithDocument", [this](const CallArgs&, Result& r) { r.Bool(!Linked(Live())); },
        [this](const CallArgs& a) {
          if (!a.PutBool()) return;
          const std::string name = NameOf(Live());
          Embed(app_->office(), Live());
          if (!Kept(*doc_, shape_)) doc_->keptLinks.push_back(name);
        });
    Property(
        "Locked", [this](const CallArgs&, Result& r) { r.Bool(locked_); },
        [this](const CallArgs& a) { locked_ = a.PutBool(); });
    Property("SourceFullName", [this](const CallArgs&, Result& r) {
      const std::string url = Origin(Live());
      r.Text(url.empty() ? url : uno::FilePath(uno::Ou(url)));
    });
    Method("BreakLink", {}, [this](const CallArgs&, Result&) {
      Embed(app_->office(), Live());
      std::erase(doc_->keptLinks, NameOf(shape_));
    });
  }

 private:
  const Shape& Live() const {
    doc_->doc->Model();
    return shape_;
  }
  std::shared_ptr<AppState> app_;
  std::shared_ptr<WordDoc> doc_;
  Shape shape_;
  bool locked_ = false;
};

class InlineShape : public DispatchObject {
 public:
  InlineShape(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc, Shape shape)
      : DispatchObject(app->source()), app_(std::move(app)), doc_(std::move(doc)), shape_(std::move(shape)) {
    Property("Type",
             [this](const CallArgs&, Result& r) { r.Int(LinkedPicture(*doc_, shape_) ? kLinkedPicture : kPicture); });
    Item("LinkFormat", {}, [this](const CallArgs&, Result& r) {
      if (!LinkedPicture(*doc_, shape_)) throw Failure("This is not a linked object.");
      r.Object(new LinkFormat(app_, doc_, shape_));
    });
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<WordDoc> doc_;
  Shape shape_;
};

class InlineShapes : public DispatchObject {
 public:
  InlineShapes(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc)
      : DispatchObject(app->source()), app_(std::move(app)), doc_(std::move(doc)), shapes_(Pictures(*doc_)) {
    Property("Count", [this](const CallArgs&, Result& r) { r.Int(static_cast<int32_t>(shapes_.size())); });
    Item("Item", {"Index"}, [this](const CallArgs& a, Result& r) {
      const int32_t i = a.Int(0, "Index").value_or(0);
      if (i < 1 || static_cast<size_t>(i) > shapes_.size())
        throw Failure("The requested member of the collection does not exist.");
      r.Object(new InlineShape(app_, doc_, shapes_[static_cast<size_t>(i - 1)]));
    });
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<WordDoc> doc_;
  std::vector<Shape> shapes_;
};

}  // namespace

IDispatch* NewInlineShapes(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc) {
  return new InlineShapes(std::move(app), std::move(doc));
}

}  // namespace quillet::office::word
