#include "WordContent.h"

namespace quillet::doubles {

namespace {

std::string Indexed(const std::string& name, int32_t i) { return name + "(" + std::to_string(i) + ")"; }

class Hyperlink : public DispObject {
 public:
  Hyperlink(std::shared_ptr<Session> s, const std::string& name, WordLinks links, size_t i)
      : DispObject(std::move(s), name) {
    Property(
        "Address",
        [links, i](const CallArgs&, VARIANT* r) {
          SetText(r, (*links)[i].address);
          return S_OK;
        },
        [links, i](const CallArgs& a, VARIANT*) {
          (*links)[i].address = PlainText(*a.putValue);
          return S_OK;
        });
    Property(
        "TextToDisplay",
        [links, i](const CallArgs&, VARIANT* r) {
          SetText(r, (*links)[i].textToDisplay);
          return S_OK;
        },
        [links, i](const CallArgs& a, VARIANT*) {
          (*links)[i].textToDisplay = PlainText(*a.putValue);
          return S_OK;
        });
  }
};

class LinkFormat : public DispObject {
 public:
  LinkFormat(std::shared_ptr<Session> s, const std::string& name, WordInlineShapes shapes, size_t i)
      : DispObject(std::move(s), name) {
    WordInlineShape& shape = (*shapes)[i];
    Property(
        "SavePictureWithDocument",
        [shape](const CallArgs&, VARIANT* r) { return shape.savePictureWithDocument.Get(r); },
        [shape](const CallArgs& a, VARIANT*) mutable { return shape.savePictureWithDocument.Put(*a.putValue); });
    Property(
        "Locked", [shape](const CallArgs&, VARIANT* r) { return shape.locked.Get(r); },
        [shape](const CallArgs& a, VARIANT*) mutable { return shape.locked.Put(*a.putValue); });
    Method("BreakLink", {}, [](const CallArgs&, VARIANT*) { return S_OK; });
  }
};

class InlineShape : public DispObject {
 public:
  InlineShape(std::shared_ptr<Session> s, const std::string& name, WordInlineShapes shapes, size_t i)
      : DispObject(std::move(s), name) {
    Property("Type", [shapes, i](const CallArgs&, VARIANT* r) {
      SetInt(r, (*shapes)[i].type);
      return S_OK;
    });
    Property("LinkFormat", [this, shapes, i](const CallArgs&, VARIANT* r) {
      SetObject(r, new LinkFormat(sessionPtr(), this->name() + ".LinkFormat", shapes, i));
      return S_OK;
    });
  }
};

class Character : public DispObject {
 public:
  Character(std::shared_ptr<Session> s, const std::string& name) : DispObject(std::move(s), name) {
    Property("LanguageIDFarEast", [this](const CallArgs&, VARIANT* r) {
      SetInt(r, session().script().characterLanguage);
      return S_OK;
    });
  }
};

}  // namespace

Hyperlinks::Hyperlinks(std::shared_ptr<Session> s, const std::string& name, WordLinks links)
    : DispObject(std::move(s), name) {
  Collection([links] { return static_cast<int32_t>(links->size()); },
             [this, links](int32_t i) -> DispObject* {
               return new Hyperlink(sessionPtr(), Indexed(this->name(), i), links, static_cast<size_t>(i - 1));
             });
}

InlineShapes::InlineShapes(std::shared_ptr<Session> s, const std::string& name, WordInlineShapes shapes)
    : DispObject(std::move(s), name) {
  Collection([shapes] { return static_cast<int32_t>(shapes->size()); },
             [this, shapes](int32_t i) -> DispObject* {
               return new InlineShape(sessionPtr(), Indexed(this->name(), i), shapes, static_cast<size_t>(i - 1));
             });
}

Characters::Characters(std::shared_ptr<Session> s, const std::string& name) : DispObject(std::move(s), name) {
  Collection([this] { return session().script().characterCount; },
             [this](int32_t i) -> DispObject* { return new Character(sessionPtr(), Indexed(this->name(), i)); });
}

}  // namespace quillet::doubles
