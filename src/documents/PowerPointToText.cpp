#include "documents/PowerPointToText.h"

#include "utilities/Guarded.h"
#include "utilities/TextLines.h"

namespace quillet {

namespace {

// Slides are fetched with Items, shapes with Item: the members PowerPoint is
// asked for. Counts are read once.
StringList ShapeTexts(const ole::Variant& presentation) {
  StringList texts;
  const ole::Variant slides = presentation.Get("Slides");
  const int32_t slideCount = slides.Get("Count").AsInteger();
  for (int32_t i = 1; i <= slideCount; ++i) {
    const ole::Variant shapes = slides.Get("Items", {i}).Get("Shapes");
    const int32_t shapeCount = shapes.Get("Count").AsInteger();
    for (int32_t j = 1; j <= shapeCount; ++j) {
      const ole::Variant shape = shapes.Get("Item", {j});
      if (!shape.Get("HasTextFrame").AsBoolean()) continue;
      if (!shape.Get("TextFrame").Get("HasText").AsBoolean()) continue;
      texts.push_back(shape.Get("TextFrame").Get("TextRange").Get("Text").AsString());
    }
  }
  return texts;
}

}  // namespace

void PowerPointToText(const ole::Variant& Presentation, const std::string& DestPath, std::string& ErrorText) {
  ErrorText.clear();
  StringList texts;
  if (!Guarded([&] { texts = ShapeTexts(Presentation); }, ErrorText)) return;
  // A shape's text may hold its own line breaks: each entry goes out as it
  // came, followed by one CR LF.
  Guarded([&] { SaveLinesToFile(DestPath, texts); }, ErrorText);
}

}  // namespace quillet
