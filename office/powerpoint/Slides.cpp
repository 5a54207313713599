// PowerPoint's slides and shapes, as far as reading their text goes:
// Slides (Count, Item/Items), a slide's Shapes (Count, Item), a shape's
// HasTextFrame and TextFrame, the frame's HasText and TextRange, and Text.
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/text/XText.hpp>

#include "automation/DispatchObject.h"
#include "automation/Failure.h"
#include "powerpoint/PowerPoint.h"

namespace quillet::office::powerpoint {

namespace {

namespace css = uno::css;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;
using Shapes = Reference<css::drawing::XShapes>;
using Shape = Reference<css::drawing::XShape>;

int32_t IndexOf(const CallArgs& a, int32_t count) {
  const int32_t i = a.Int(0, "Index").value_or(0);
  if (i < 1 || i > count) throw Failure("The index into the specified collection is out of bounds.");
  return i;
}

class TextRange : public DispatchObject {
 public:
  TextRange(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> deck, Shape shape)
      : DispatchObject(app->source()), app_(std::move(app)), deck_(std::move(deck)), shape_(std::move(shape)) {
    Property("Text", [this](const CallArgs&, Result& r) {
      deck_->Model();
      r.Text(ShapeText(shape_));
    });
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<OpenDocument> deck_;
  Shape shape_;
};

class TextFrame : public DispatchObject {
 public:
  TextFrame(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> deck, Shape shape)
      : DispatchObject(app->source()), app_(std::move(app)), deck_(std::move(deck)), shape_(std::move(shape)) {
    Property("HasText", [this](const CallArgs&, Result& r) { r.Bool(!ShapeText(shape_).empty()); });
    Item("TextRange", {}, [this](const CallArgs&, Result& r) { r.Object(new TextRange(app_, deck_, shape_)); });
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<OpenDocument> deck_;
  Shape shape_;
};

class ShapeObject : public DispatchObject {
 public:
  ShapeObject(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> deck, Shape shape)
      : DispatchObject(app->source()), app_(std::move(app)), deck_(std::move(deck)), shape_(std::move(shape)) {
    Property("HasTextFrame", [this](const CallArgs&, Result& r) { r.Bool(HasTextFrame(shape_)); });
    Item("TextFrame", {}, [this](const CallArgs&, Result& r) {
      if (!HasTextFrame(shape_)) throw Failure("This type of shape has no text frame.");
      r.Object(new TextFrame(app_, deck_, shape_));
    });
    Property("Name", [this](const CallArgs&, Result& r) {
      Reference<css::container::XNamed> named(shape_, UNO_QUERY);
      r.Text(named.is() ? uno::Utf8(named->getName()) : std::string());
    });
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<OpenDocument> deck_;
  Shape shape_;
};

class ShapesObject : public DispatchObject {
 public:
  ShapesObject(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> deck, Shapes shapes)
      : DispatchObject(app->source()), app_(std::move(app)), deck_(std::move(deck)), shapes_(std::move(shapes)) {
    Property("Count", [this](const CallArgs&, Result& r) { r.Int(shapes_->getCount()); });
    Item("Item", {"Index"}, [this](const CallArgs& a, Result& r) {
      deck_->Model();
      const int32_t i = IndexOf(a, shapes_->getCount());
      r.Object(new ShapeObject(app_, deck_, Shape(shapes_->getByIndex(i - 1), UNO_QUERY_THROW)));
    });
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<OpenDocument> deck_;
  Shapes shapes_;
};

class Slide : public DispatchObject {
 public:
  Slide(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> deck, Shapes page, int32_t index)
      : DispatchObject(app->source()), app_(std::move(app)), deck_(std::move(deck)), page_(std::move(page)) {
    Item("Shapes", {}, [this](const CallArgs&, Result& r) { r.Object(new ShapesObject(app_, deck_, page_)); });
    Property("SlideIndex", [index](const CallArgs&, Result& r) { r.Int(index); });
    Property("SlideNumber", [index](const CallArgs&, Result& r) { r.Int(index); });
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<OpenDocument> deck_;
  Shapes page_;
};

class Slides : public DispatchObject {
 public:
  Slides(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> deck)
      : DispatchObject(app->source()), app_(std::move(app)), deck_(std::move(deck)) {
    Property("Count", [this](const CallArgs&, Result& r) { r.Int(static_cast<int32_t>(SlidesOf(*deck_).size())); });
    auto item = [this](const CallArgs& a, Result& r) {
      const auto slides = SlidesOf(*deck_);
      const int32_t i = IndexOf(a, static_cast<int32_t>(slides.size()));
      r.Object(new Slide(app_, deck_, slides[static_cast<size_t>(i - 1)], i));
    };
    Item("Item", {"Index"}, item);
    Item("Items", {"Index"}, item);
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<OpenDocument> deck_;
};

}  // namespace

std::vector<Shapes> SlidesOf(const OpenDocument& deck) {
  Reference<css::drawing::XDrawPagesSupplier> supplier(deck.Model(), UNO_QUERY_THROW);
  Reference<css::container::XIndexAccess> pages(supplier->getDrawPages(), UNO_QUERY_THROW);
  std::vector<Shapes> slides;
  for (sal_Int32 i = 0; i < pages->getCount(); ++i) slides.emplace_back(pages->getByIndex(i), UNO_QUERY_THROW);
  return slides;
}

bool HasTextFrame(const Shape& shape) {
  Reference<css::lang::XServiceInfo> info(shape, UNO_QUERY);
  for (const char* kind : {"com.sun.star.drawing.GroupShape", "com.sun.star.drawing.GraphicObjectShape",
                           "com.sun.star.drawing.OLE2Shape", "com.sun.star.drawing.MediaShape"})
    if (info.is() && info->supportsService(uno::OUString::createFromAscii(kind))) return false;
  return Reference<css::text::XText>(shape, UNO_QUERY).is();
}

std::string ShapeText(const Shape& shape) {
  Reference<css::text::XText> text(shape, UNO_QUERY);
  if (!text.is()) return {};
  std::string s = uno::Utf8(text->getString());
  for (char& c : s)
    if (c == '\n') c = '\r';  // PowerPoint's paragraph mark
  return s;
}

IDispatch* NewSlides(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> deck) {
  return new Slides(std::move(app), std::move(deck));
}

}  // namespace quillet::office::powerpoint
