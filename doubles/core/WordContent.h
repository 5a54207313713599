// The parts of a Word document the conversion reads and changes: its
// hyperlinks, its inline shapes (linked pictures among them) and its
// characters. Each collection is made afresh at every call; the state of the
// links and shapes belongs to the document, so what one call puts the next
// one reads.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "DispObject.h"
#include "Values.h"

namespace quillet::doubles {

struct WordLink {
  std::string address;
  std::string textToDisplay;
};

struct WordInlineShape {
  explicit WordInlineShape(int32_t t) : type(t) {}
  int32_t type;  // 4: a linked picture
  Stored savePictureWithDocument{BoolVariant(false)};
  Stored locked{BoolVariant(false)};
};

using WordLinks = std::shared_ptr<std::vector<WordLink>>;
using WordInlineShapes = std::shared_ptr<std::vector<WordInlineShape>>;

// <document>.Hyperlinks: Count, Item(Index) with Address and TextToDisplay.
class Hyperlinks : public DispObject {
 public:
  Hyperlinks(std::shared_ptr<Session> session, const std::string& name, WordLinks links);
};

// <document>.InlineShapes: Count, Item(Index) with Type and LinkFormat
// (SavePictureWithDocument, Locked, BreakLink).
class InlineShapes : public DispObject {
 public:
  InlineShapes(std::shared_ptr<Session> session, const std::string& name, WordInlineShapes shapes);
};

// <document>.Characters: Count, Item(Index) with LanguageIDFarEast, as scripted.
class Characters : public DispObject {
 public:
  Characters(std::shared_ptr<Session> session, const std::string& name);
};

}  // namespace quillet::doubles
