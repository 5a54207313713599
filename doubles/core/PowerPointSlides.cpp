#include "PowerPointSlides.h"

namespace quillet::doubles {

namespace {

// PowerPoint's msoTriState.
constexpr int32_t kTrue = -1, kFalse = 0;

std::string Indexed(const std::string& name, int32_t i) { return name + "(" + std::to_string(i) + ")"; }

class TextRange : public DispObject {
 public:
  TextRange(std::shared_ptr<Session> s, const std::string& name, std::string text) : DispObject(std::move(s), name) {
    Property("Text", [text](const CallArgs&, VARIANT* r) {
      SetText(r, text);
      return S_OK;
    });
  }
};

class TextFrame : public DispObject {
 public:
  TextFrame(std::shared_ptr<Session> s, const std::string& name, const ScriptedShape& shape)
      : DispObject(std::move(s), name) {
    const bool hasText = shape.kind == ScriptedShape::Kind::Text && !shape.text.empty();
    Property("HasText", [hasText](const CallArgs&, VARIANT* r) {
      SetInt(r, hasText ? kTrue : kFalse);
      return S_OK;
    });
    Property("TextRange", [this, text = shape.text](const CallArgs&, VARIANT* r) {
      SetObject(r, new TextRange(sessionPtr(), this->name() + ".TextRange", text));
      return S_OK;
    });
  }
};

class Shape : public DispObject {
 public:
  Shape(std::shared_ptr<Session> s, const std::string& name, const ScriptedShape& shape)
      : DispObject(std::move(s), name) {
    const bool frame = shape.kind != ScriptedShape::Kind::Picture;
    Property("HasTextFrame", [frame](const CallArgs&, VARIANT* r) {
      SetInt(r, frame ? kTrue : kFalse);
      return S_OK;
    });
    Property("TextFrame", [this, frame, shape](const CallArgs&, VARIANT* r) {
      if (!frame) return Raise("This type of shape cannot have a text frame.");
      SetObject(r, new TextFrame(sessionPtr(), this->name() + ".TextFrame", shape));
      return S_OK;
    });
  }
};

class Shapes : public DispObject {
 public:
  Shapes(std::shared_ptr<Session> s, const std::string& name, const ScriptedSlide& slide)
      : DispObject(std::move(s), name) {
    Collection([&slide] { return static_cast<int32_t>(slide.size()); },
               [this, &slide](int32_t j) -> DispObject* {
                 return new Shape(sessionPtr(), Indexed(this->name(), j), slide[static_cast<size_t>(j - 1)]);
               });
  }
};

class Slide : public DispObject {
 public:
  Slide(std::shared_ptr<Session> s, const std::string& name, const ScriptedSlide& slide)
      : DispObject(std::move(s), name) {
    Property("Shapes", [this, &slide](const CallArgs&, VARIANT* r) {
      SetObject(r, new Shapes(sessionPtr(), this->name() + ".Shapes", slide));
      return S_OK;
    });
  }
};

}  // namespace

Slides::Slides(std::shared_ptr<Session> s, const std::string& name) : DispObject(std::move(s), name) {
  const auto& slides = session().script().slides;
  Collection([&slides] { return static_cast<int32_t>(slides.size()); },
             [this, &slides](int32_t i) -> DispObject* {
               return new Slide(sessionPtr(), Indexed(this->name(), i), slides[static_cast<size_t>(i - 1)]);
             },
             {"Item", "Items"});
}

}  // namespace quillet::doubles
